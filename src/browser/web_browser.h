#pragma once

#include "browser/kiosk_page.h"
#include "platform/browser.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <vector>

class QLabel;
class QWebEngineNewWindowRequest;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace glasspane {

class Curtain;
class DialogGuard;
class PagePrinter;
class RendererWatch;

// The Browser port on Qt WebEngine: one view (objectName "WebBrowser0") with its page, the
// four events with the top-level test, and the program's own pop-up windows.
//
// How the events map onto the engine's signals:
// - BeforeNavigate2: every navigation request of the page, main frame or frame, the program's
//   own loads and server redirects included (a refused redirect stops the load it belongs to);
// - NavigateComplete2: a new top-level document is committed;
// - DocumentComplete: when a top-level load that was let through succeeds, first for the
//   frames it loaded, then for itself, after the body has been measured. Frames loaded after
//   the page completed report at once. A Navigate to another place of the page on screen (an
//   address that differs in its fragment only) loads nothing: it is checked with
//   BeforeNavigate2 before it is made, and completes once the page has moved there.
// - AddressChanged: the page changed its own address without a load (history.pushState or
//   replaceState, a fragment); a load under way is not disturbed by it and still completes,
//   whatever address the page gave itself meanwhile. A refused address is put back.
// - NavigateError: a top-level load that ends otherwise (refused, failed, an HTTP error
//   status, stopped), and a Navigate to an address the engine cannot open at all. A page of
//   the program's whose own navigation (a script's, during its load) ended without a page
//   stays what is shown: that load completes as the page it was.
// - NewWindow2: the page asked for a new window; the answer sends it to a window of the
//   program, to this view, or nowhere.
//
// While a load that Navigate started is under way, a curtain over the view shows the page
// that was there before (or black when there was none), so that neither the white of a page
// that has not painted yet nor a server's error page is ever seen; it lifts once a page has
// completed, or at once when a failed load left the previous page in place.
class WebBrowser final : public QObject, public Browser, private KioskPage::Owner
{
    Q_OBJECT

public:
    // The view is created as a child of parentWidget. The profile must outlive this object.
    WebBrowser(QWebEngineProfile* profile, QWidget* parentWidget);
    ~WebBrowser() override;

    QWebEngineView* view() const { return m_view; }
    // Replaces the page by a new one, in a renderer process of its own, with nothing loaded:
    // the memory the old page's renderer held goes back to the system. The old page stays on
    // screen (as a picture) until the next page loaded has painted. Nothing is reported for
    // what the old page still had under way.
    // With a profile, the new page (and the pop-ups it opens) live in that one, and the pages
    // of the old profile are gone when this returns: its pop-ups are closed.
    void renewPage(QWebEngineProfile* profile = nullptr);
    // Whether a page has completed in the present page since it was made (a new page holds
    // nothing worth renewing it for).
    bool pageUsed() const { return m_state.pageUsed; }
    KioskPage* page() const { return m_page; }
    // The curtain (objectName "curtain"), a sibling above the view.
    QLabel* curtain() const;
    // The separate pop-up windows now open.
    QList<QWidget*> popupWindows() const;
    // The dialogs over the pages, closed when the program loads another page. Not owned.
    void setDialogGuard(DialogGuard* guard) { m_dialogs = guard; }
    // Ends a renderer process that stopped answering (by its id).
    void setProcessEnder(std::function<void(qint64 pid)> ender) { m_endProcess = std::move(ender); }
    // Counts the top-level loads let through in the view (reloads and a visitor's included).
    quint64 loadsStarted() const { return m_loadsStarted; }

    // The program's address text of a URL, and back (PageAddress, PageUrl).
    static QString addressOf(const QUrl& url);
    static QUrl urlOf(const QString& address);

    // Browser
    void setListener(BrowserEvents* listener) override { m_listener = listener; }
    void Navigate(const QString& url) override;
    void GoBack() override;
    void GoForward() override;
    void Stop() override;
    void Refresh() override;
    QString LocationURL() const override;
    bool Busy() const override { return m_state.busy; }
    bool Silent() const override;
    void setSilent(bool silent) override;
    // Media with sound play without a gesture in the show's pages (the pop-up windows keep
    // the engine's rule).
    void setAutoplaySound(bool autoplay);
    bool isVisible() const override;
    void setVisible(bool visible) override;
    void setFocus() override;
    void ClosePopups() override;
    BodyMetrics bodyMetrics() const override { return m_state.metrics; }
    void requestBodyMetrics(std::function<void(const BodyMetrics&)> done) override;
    void setBodyScroll(const QString& scroll) override;
    bool canPrint() const override;
    [[nodiscard]] bool print(QString* error) override;

Q_SIGNALS:
    // After the listener had the top-level DocumentComplete.
    void topLevelDocumentComplete(const QString& url);
    // The page that completed has painted and is on screen (the curtain lifted). address is
    // what Navigate was given for it, when its load was the program's; else its location.
    void pageOnScreen(const QString& address);
    // After the renderer process died and the page was asked to load again.
    void rendererRestarted();
    // The renderer process pid of the page at address ended by itself (how: "crashed",
    // "killed", "ended abnormally", with its exit code); the page comes back in a new one.
    void rendererEnded(const QString& address, qint64 pid, const QString& how);
    // The renderer process pid did not answer for waitedMs, at address: it was ended and the
    // web page renewed. leaving: the page was to give way to the next one, which is loaded
    // anew; otherwise a load of the program's under way was reported as failed, and a page
    // that had completed stays as a picture until the next one.
    void rendererUnresponsive(const QString& address, qint64 pid, qint64 waitedMs, bool leaving);

private:
    // What the browser knows of the loads in its present page. A new page (renewPage) starts
    // from a fresh one.
    struct PageState
    {
        bool busy = false;
        bool topPending = false;    // a top-level load was let through and has not ended
        QUrl topUrl;                // its address, followed through redirects
        QString topAddress;         // the address its end is reported with
        bool topForProgram = false; // it is (or replaced) the load of a Navigate
        bool topCommitted = false;  // a document of it (or of the load it replaced) is on screen
        bool topRefused = false;    // one of its redirects was refused
        bool topCompleting = false; // it ended well and its completion is on its way
        // A window the page opened in its own place, to load once the view's load under way
        // has ended.
        QUrl replacement;
        // It was asked for, and its navigation has not been asked about yet; meanwhile a
        // completion of the page it replaces is held.
        bool replacing = false;
        bool completionHeld = false;
        // The top-level navigation let through last whose document has not arrived yet.
        QUrl commitUrl;
        // The last Navigate, until the engine has taken it up.
        QString programAddress;
        QUrl programUrl;
        bool programAwaiting = false;
        bool programChecked = false; // its BeforeNavigate2 was delivered before it was made
        // The last address of the document on screen that was let through, and an address the
        // page gave itself that was refused (and is being put back).
        QUrl allowedUrl;
        QUrl refusedUrl;
        QStringList frameDocuments;
        BodyMetrics metrics;
        // A page has completed since the page was made.
        bool pageUsed = false;
        // The page that completed last waits for its paint (see liftWhenPainted): a wait cut
        // short by a Navigate that came to nothing begins again.
        bool paintAwaited = false;
        QString paintCompleted;
        QImage paintUnlike;
        bool paintSettles = true;
    };

    // A new page on the view, wired to this object.
    void attachPage(bool silent);
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool navigationRequested(KioskPage* page, const QUrl& url, QWebEnginePage::NavigationType type,
                             bool isMainFrame) override;
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onUrlChanged(const QUrl& url);
    void documentArrived();
    void onNewWindowRequested(QWebEngineNewWindowRequest& request);
    void endLoad(const QWebEngineLoadingInfo& info);
    void startReplacement();
    // The replacement's navigation was asked about (loads: let through), or never was.
    void replacementAsked(bool loads);
    void completeTopLevel();
    void endTopLevel(const QString& failure);
    // A load that stopped: ended well when the page is the engine's own for media.
    void endUnlessMediaPage(const QString& failure);
    void failTopLevel(const QString& reason);
    void settleLater();
    void reportError(const QString& address, const QString& reason);
    void startProgramLoad(const QUrl& target, quint64 count);
    bool movesWithinPage(const QUrl& target) const;
    void dropProgram(const QString& reason);
    void pageAddressChanged(const QUrl& url);
    void raiseCurtain();
    void lowerCurtain();
    // completed: the address pageOnScreen then names; "" for a page painted again (resized).
    // unlike: see Curtain::liftWhenPainted.
    void liftWhenPainted(quint64 generation, const QString& completed = QString(),
                         const QImage& unlike = QImage(), bool settles = true);
    void openPopup(QWebEngineNewWindowRequest& request);
    // The page on screen is to give way to a page the program asked for.
    bool leaving() const;
    void onRendererEnded(KioskPage* page, QWebEnginePage::RenderProcessTerminationStatus status,
                         int exitCode);
    void onUnresponsive(qint64 pid, qint64 waitedMs);

    QWebEngineProfile* m_profile;
    QWebEngineView* m_view = nullptr;
    KioskPage* m_page = nullptr;
    std::unique_ptr<Curtain> m_curtain;
    std::unique_ptr<PagePrinter> m_printer;
    RendererWatch* m_watch = nullptr;
    DialogGuard* m_dialogs = nullptr;
    std::function<void(qint64)> m_endProcess;
    quint64 m_loadsStarted = 0;
    quint64 m_replacements = 0; // counts the replacements asked for
    bool m_goodPage = false;    // the view shows a page that completed
    bool m_autoplaySound = false;
    // The timers and callbacks of this object have it as their context: none runs once it is
    // gone.
    // ... but for the answers of the page's scripts: a page that goes answers what it had
    // pending, and the pages go while this object is being destroyed.
    QObject* m_scriptAnswers = new QObject(this);
    BrowserEvents* m_listener = nullptr;
    std::vector<QPointer<QWidget>> m_popups;

    PageState m_state;
    quint64 m_generation = 0;    // counts the top-level loads let through
    quint64 m_programCount = 0;  // counts the Navigate calls
    int m_delivering = 0;        // inside a listener call
    qint64 m_loggedRenderer = 0; // the renderer process the log named last
};

} // namespace glasspane
