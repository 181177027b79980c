#pragma once

#include "document/restriction.h"
#include "document/setting_values.h"
#include "platform/browser.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace glasspane {

class Clock;
class Engine;
class SettingsStore;
struct DocumentState;
struct ProgramValues;

// The options that steer the browser's events.
struct NavigationSettings
{
    NewWindowAction OnNewWindow = NewWindowAction::OwnWindow;
    // 0 or less: pages alone; 1 hide the vertical scroll bar; 2 hide it when the page fits;
    // 3 or more: the page's own scroll setting back.
    int RemoveVertScroll = 0;
    // Comma-separated addresses whose navigation never counts as user activity.
    QString SpecialURL = QStringLiteral("about:NavigationCanceled,");
};

NavigationSettings ReadNavigationSettings(SettingsStore& settings);

// What the events reach outside the engine and the document. Any may be empty.
struct NavigationHooks
{
    // A document reached by navigation: load it and restart the show with it. Called after the
    // navigation was cancelled; the document is loaded later, outside the browser's own call.
    std::function<void(const QString& url)> openDocument;
    // The navigation tool bar's address box.
    std::function<QString()> addressText;
    std::function<void(const QString& text)> setAddressText;
    // UpdateTitle of the main window.
    std::function<void()> updateTitle;
    // The page cache has put the process off-line.
    std::function<bool()> offline;
    // RecordUpdateProgress of the update policy.
    std::function<void()> recordUpdateProgress;
    // The page cache's folder, whose copies of the show's pages pass the include list.
    std::function<QString()> cacheFolder;
};

// The handlers of the browser's four events: the address restriction, documents opened by
// navigation, the pop-up policy, the address box and caption, the page's completion and the
// removal of its scroll bar.
class NavigationEvents final : public BrowserEvents
{
public:
    NavigationEvents(Browser& browser, DocumentState& doc, const ProgramValues& program,
                     const Clock& clock, NavigationHooks hooks);

    // The engine holds the display slot; until it exists, the events do not look at it.
    void attachEngine(Engine* engine) { m_engine = engine; }

    NavigationSettings& settings() { return m_settings; }

    void HandleBeforeNavigate(int slot, const QString& url, bool topLevel, bool& cancel);
    void RemoveScrollBars();

    // BrowserEvents
    void BeforeNavigate2(const QString& url, bool topLevel, bool& cancel) override;
    void NewWindow2(NewWindowTarget& target) override;
    void NavigateComplete2(const QString& url, bool topLevel) override;
    void DocumentComplete(const QString& url, bool topLevel) override;
    void NavigateError(const QString& url, bool topLevel, const QString& reason) override;
    void LoadStarted(const QString& url) override;
    void AddressChanged(const QString& url, bool& refuse) override;

private:
    void followLocation();
    void setAddressBox(const QString& text);
    LocalPages localPages() const;
    bool documentAllowed(const QString& url) const;

    Browser& m_browser;
    DocumentState& m_doc;
    const ProgramValues& m_program;
    const Clock& m_clock;
    NavigationHooks m_hooks;
    NavigationSettings m_settings;
    Engine* m_engine = nullptr;
    // What the events last put in the address box.
    QString m_addressBoxText;
    // Why the last top-level navigation was refused here: the address limits, or a document
    // that opens instead (which is no failure).
    enum class Refusal { None, Limits, Document };
    Refusal m_refusal = Refusal::None;
};

} // namespace glasspane
