#pragma once

#include "platform/browser.h"

#include <QStringList>

namespace glasspane {

// A browser that loads nothing: navigations are recorded, and the test decides when a page
// completes.
//
//   FakeBrowser browser;
//   browser.setListener(&events);
//   browser.Navigate("http://a/");         // recorded; BeforeNavigate2 delivered
//   browser.completeLoad();                // NavigateComplete2 and DocumentComplete, top level
//   browser.failLoad("HTTP 404");          // or NavigateError for the address asked for
//   browser.changeAddress("http://a/v2");  // the page's own pushState: AddressChanged
//   browser.autoComplete = true;           // every Navigate completes at once
// A navigation the listener refuses ends in NavigateError "refused", as the real one does.
class FakeBrowser final : public Browser
{
public:
    void setListener(BrowserEvents* listener) override { m_listener = listener; }

    void Navigate(const QString& url) override
    {
        ++navigateCalls;
        m_requested = url;
        if (keepHistory)
            navigations.append(url);
        bool cancel = false;
        if (m_listener)
            m_listener->BeforeNavigate2(url, true, cancel);
        if (cancel) {
            if (m_listener)
                m_listener->NavigateError(url, true, QStringLiteral("refused"));
            return;
        }
        m_pending = url;
        m_busy = true;
        if (autoComplete)
            completeLoad();
    }
    void GoBack() override { ++goBackCalls; }
    void GoForward() override { ++goForwardCalls; }
    void Stop() override
    {
        ++stopCalls;
        m_busy = false;
    }
    void Refresh() override { ++refreshCalls; }
    QString LocationURL() const override { return m_location; }
    bool Busy() const override { return m_busy; }

    bool Silent() const override { return m_silent; }
    void setSilent(bool silent) override { m_silent = silent; }

    bool isVisible() const override { return m_visible; }
    void setVisible(bool visible) override { m_visible = visible; }
    void setFocus() override { ++focusCalls; }
    void ClosePopups() override { ++closePopupsCalls; }

    BodyMetrics bodyMetrics() const override { return metrics; }
    void requestBodyMetrics(std::function<void(const BodyMetrics&)> done) override
    {
        if (done)
            done(metrics);
    }
    void setBodyScroll(const QString& scroll) override { bodyScroll = scroll; }

    bool canPrint() const override { return printable; }
    bool print(QString* error) override
    {
        if (!printable && error)
            *error = QStringLiteral("no printer");
        return printable;
    }

    // Finishes the pending navigation: it becomes LocationURL, then the top-level events.
    void completeLoad()
    {
        if (!m_busy)
            return;
        m_busy = false;
        m_location = m_pending;
        if (m_listener) {
            m_listener->NavigateComplete2(m_location, true);
            m_listener->DocumentComplete(m_location, true);
        }
    }
    // Ends the pending navigation without a page: the page before stays.
    void failLoad(const QString& reason)
    {
        if (!m_busy)
            return;
        m_busy = false;
        if (m_listener)
            m_listener->NavigateError(m_pending, true, reason);
    }
    // The page changes its own address without a load (history.pushState); a refused one is
    // put back. True when it was let through.
    bool changeAddress(const QString& url)
    {
        const QString before = m_location;
        m_location = url;
        bool refuse = false;
        if (m_listener)
            m_listener->AddressChanged(url, refuse);
        if (refuse)
            m_location = before;
        return !refuse;
    }
    // The address last asked for, loaded or not.
    QString pending() const { return m_pending; }
    QString lastNavigation() const { return m_requested; }

    // Scripting.
    bool autoComplete = false;
    bool keepHistory = true;
    bool printable = true;
    BodyMetrics metrics;

    // Records.
    QStringList navigations;
    int navigateCalls = 0;
    int goBackCalls = 0;
    int goForwardCalls = 0;
    int stopCalls = 0;
    int refreshCalls = 0;
    int focusCalls = 0;
    int closePopupsCalls = 0;
    QString bodyScroll;

private:
    BrowserEvents* m_listener = nullptr;
    QString m_pending;
    QString m_requested;
    QString m_location;
    bool m_busy = false;
    bool m_silent = false;
    bool m_visible = true;
};

} // namespace glasspane
