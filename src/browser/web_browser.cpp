#include "browser/web_browser.h"

#include "browser/curtain.h"
#include "browser/dialog_guard.h"
#include "browser/page_printer.h"
#include "browser/page_scripts.h"
#include "browser/popup_window.h"
#include "browser/renderer_watch.h"
#include "document/page_address.h"
#include "document/restriction.h"
#include "platform/log.h"

#include <QDir>
#include <QEvent>
#include <QScopeGuard>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace glasspane {

namespace {

// Pause before a page whose renderer died is loaded again.
constexpr int kRendererRestartMs = 500;
// A load that another replaced before it ended may end with no word of its own: once the
// engine has been idle this long after the last end it reported, the page on screen settles it.
constexpr int kSettleMs = 250;
// A Navigate that has started no load by then (a move within the page on screen, an address
// the engine drops without a word) is settled then.
constexpr int kStartTimeoutMs = 10000;
// The engine's error code of a load that stopped before its end (net::ERR_ABORTED).
constexpr int kAbortedError = -3;

QString reasonOf(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return QStringLiteral("the server answered HTTP %1").arg(info.errorCode());
    if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
        return QStringLiteral("the load stopped (%1)").arg(info.errorString());
    return info.errorString().isEmpty()
               ? QStringLiteral("the load failed")
               : QStringLiteral("the load failed (%1)").arg(info.errorString());
}

} // namespace

WebBrowser::WebBrowser(QWebEngineProfile* profile, QWidget* parentWidget) : m_profile(profile)
{
    m_view = new QWebEngineView(parentWidget);
    m_view->setObjectName(QStringLiteral("WebBrowser0"));
    // No menu with "Back", "View source" or "Inspect", and nothing dropped onto the page.
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setAcceptDrops(false);
    m_curtain = std::make_unique<Curtain>(*m_view, parentWidget);
    m_printer = std::make_unique<PagePrinter>(*m_view);
    m_view->installEventFilter(this);
    m_watch = new RendererWatch(this);
    m_watch->setBound([this] { return leaving() ? kRendererLeaveMs : kRendererAnswerMs; });
    connect(m_watch, &RendererWatch::unresponsive, this, &WebBrowser::onUnresponsive);
    attachPage(false);
}

bool WebBrowser::leaving() const
{
    return m_state.programAwaiting ||
           (m_state.topPending && m_state.topForProgram && !m_state.topCommitted);
}

void WebBrowser::attachPage(bool silent)
{
    KioskPage* page = new KioskPage(m_profile, *this, m_view);
    page->setSilent(silent);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture,
                                   !m_autoplaySound);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(page, &QWebEnginePage::urlChanged, this, &WebBrowser::onUrlChanged);
    connect(page, &QWebEnginePage::newWindowRequested, this, &WebBrowser::onNewWindowRequested);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this, page](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                onRendererEnded(page, status, exitCode);
            });
    m_view->setPage(page);
    m_page = page;
    m_watch->watch(page);
}

void WebBrowser::onRendererEnded(KioskPage* page,
                                 QWebEnginePage::RenderProcessTerminationStatus status,
                                 int exitCode)
{
    if (status == QWebEnginePage::NormalTerminationStatus || page != m_page)
        return;
    QString how;
    switch (status) {
    case QWebEnginePage::CrashedTerminationStatus:
        how = QStringLiteral("crashed");
        break;
    case QWebEnginePage::KilledTerminationStatus:
        how = QStringLiteral("killed");
        break;
    default:
        how = QStringLiteral("ended abnormally");
        break;
    }
    how += QStringLiteral(", exit code %1").arg(exitCode);
    // The page the show is on now: the one asked for last when it has not completed yet.
    const bool programPending =
        m_state.programAwaiting || (m_state.topPending && m_state.topForProgram);
    const QString current = programPending ? m_state.programAddress : LocationURL();
    Q_EMIT rendererEnded(current, m_page->renderProcessPid(), how);
    // A kiosk shows no "page crashed" screen: the page comes back by itself.
    const quint64 count = m_programCount;
    QTimer::singleShot(kRendererRestartMs, this, [this, page, count] {
        if (page != m_page)
            return;
        // The show asked for another page since: its load brings a renderer of its own, and
        // the page it left is never loaded again.
        if (count != m_programCount)
            return;
        if (m_state.programAwaiting || (m_state.topPending && m_state.topForProgram)) {
            // The page asked for is on its way (a new renderer comes with it).
            if (m_page->isLoading())
                return;
            Navigate(m_state.programAddress);
        } else {
            const QString location = LocationURL();
            if (location.isEmpty())
                return;
            m_page->load(urlOf(location));
        }
        Q_EMIT rendererRestarted();
    });
}

void WebBrowser::onUnresponsive(qint64 pid, qint64 waitedMs)
{
    const bool wasLeaving = leaving();
    const QString program = m_state.programAddress;
    const bool programLoading = m_state.topPending && m_state.topForProgram;
    const QString address =
        wasLeaving ? LocationURL() : (programLoading ? m_state.topAddress : LocationURL());
    const QString failed = m_state.topAddress;
    // Ended before its page goes, so that no crash of it is reported.
    m_page->disconnect(this);
    if (m_endProcess)
        m_endProcess(pid);
    renewPage();
    Q_EMIT rendererUnresponsive(address, pid, waitedMs, wasLeaving);
    if (wasLeaving && !program.isEmpty()) {
        // The page asked for, in the new renderer: its time starts when its own load does.
        Navigate(program);
    } else if (programLoading) {
        reportError(failed, QStringLiteral("its renderer stopped answering for %1 s")
                                .arg(waitedMs / 1000.0, 0, 'f', 1));
    }
}

void WebBrowser::renewPage(QWebEngineProfile* profile)
{
    if (profile) {
        ClosePopups();
        m_profile = profile;
    }
    // The page on screen stays painted over the view until the next one has content.
    raiseCurtain();
    // Until a page of the new one has completed, nothing but that picture is worth showing
    // (a failed load must not uncover an empty page).
    m_goodPage = false;
    KioskPage* old = m_page;
    old->disconnect(this);
    // Whatever the old page had under way ends with it, unreported: the caller loads anew.
    ++m_generation;
    ++m_programCount;
    m_state = PageState{};
    attachPage(old->silent());
    // Its renderer process ends with it, and with that process the memory it held. Not at
    // once: the renewal may come from inside one of the old page's own dialogs (an alert that
    // the show just closed), whose call returns into the page once this step is over.
    old->deleteLater();
}

WebBrowser::~WebBrowser()
{
    // A page that goes answers the scripts it still had pending: not to this object any more.
    delete m_scriptAnswers;
    m_listener = nullptr;
    for (const QPointer<QWidget>& popup : m_popups)
        delete popup.data();
    // The page goes before the view and long before the profile.
    delete m_view;
}

QLabel* WebBrowser::curtain() const
{
    return m_curtain->label();
}

QList<QWidget*> WebBrowser::popupWindows() const
{
    QList<QWidget*> list;
    for (const QPointer<QWidget>& popup : m_popups) {
        if (popup)
            list << popup.data();
    }
    return list;
}

QString WebBrowser::addressOf(const QUrl& url)
{
    return PageAddress(url);
}

QUrl WebBrowser::urlOf(const QString& address)
{
    return PageUrl(address);
}

void WebBrowser::Navigate(const QString& url)
{
    const QUrl target = urlOf(url);
    // An address that would run script in the page on screen (javascript:) or show the engine's
    // own pages is never loaded, whoever asks: no navigation event would see it.
    const QString reason = PageUrlRefusal(target);
    if (!reason.isEmpty()) {
        qCDebug(lcGlasspane) << "navigation refused" << url << reason;
        // Said later, as any other failure is: never from inside the caller's own call.
        QTimer::singleShot(0, this, [this, url, reason] { reportError(url, reason); });
        return;
    }
    // A dialog left over the page (a script's question, the printer's) goes with it; its
    // answer is "cancel".
    if (m_dialogs)
        m_dialogs->closeAll(DialogGuard::Scope::Pages, QStringLiteral("the page changes"));
    // The program's page comes in place of any window the page on screen meant to open there.
    m_state.replacement.clear();
    m_state.programAddress = url;
    m_state.programUrl = target;
    m_state.programAwaiting = true;
    m_state.programChecked = false;
    const quint64 count = ++m_programCount;
    raiseCurtain();

    QTimer::singleShot(kStartTimeoutMs, this, [this, count] {
        if (count != m_programCount || !m_state.programAwaiting)
            return;
        // No load began: either the page on screen already is that address, or nothing will
        // come of it.
        m_state.programAwaiting = false;
        if (m_page->url() == m_state.programUrl) {
            ++m_generation;
            m_state.topAddress = m_state.programAddress;
            m_state.frameDocuments.clear();
            completeTopLevel();
        } else {
            dropProgram(QStringLiteral("the browser did not start loading it"));
        }
    });

    if (m_delivering > 0 || movesWithinPage(target)) {
        // Not from inside one of the page's own calls into the listener, and a move within the
        // page, which is checked before it is made, not from inside the caller's own call.
        QTimer::singleShot(0, this, [this, target, count] { startProgramLoad(target, count); });
        return;
    }
    startProgramLoad(target, count);
}

void WebBrowser::startProgramLoad(const QUrl& target, quint64 count)
{
    // A later Navigate took its place meanwhile.
    if (count != m_programCount || !m_state.programAwaiting)
        return;
    if (movesWithinPage(target)) {
        // No load begins for a move within the page on screen, so the engine asks nobody
        // about it: the program's own move is checked (and logged) here like any navigation.
        bool cancel = false;
        if (m_listener) {
            ++m_delivering;
            m_listener->BeforeNavigate2(addressOf(target), true, cancel);
            --m_delivering;
        }
        if (count != m_programCount)
            return;
        if (cancel) {
            dropProgram(QStringLiteral("refused"));
            return;
        }
        m_state.programChecked = true;
    }
    m_page->load(target);
}

bool WebBrowser::movesWithinPage(const QUrl& target) const
{
    // An address that differs from the document's own in its fragment only takes the page
    // there without a load.
    const QUrl current = m_page->url();
    return target.hasFragment() && !current.isEmpty() && target != current &&
           target.adjusted(QUrl::RemoveFragment) == current.adjusted(QUrl::RemoveFragment);
}

void WebBrowser::dropProgram(const QString& reason)
{
    m_state.programAwaiting = false;
    m_state.programChecked = false;
    reportError(m_state.programAddress, reason);
    // Nothing came of it: the page on screen stays, as it was, uncovered once it has painted
    // (it may have completed only just before, its curtain still waiting for its paint).
    if (m_state.topPending)
        return;
    if (m_goodPage)
        lowerCurtain();
    else if (m_state.paintAwaited)
        liftWhenPainted(m_generation, m_state.paintCompleted, m_state.paintUnlike,
                        m_state.paintSettles);
}

void WebBrowser::reportError(const QString& address, const QString& reason)
{
    if (!m_listener)
        return;
    ++m_delivering;
    m_listener->NavigateError(address, true, reason);
    --m_delivering;
}

void WebBrowser::GoBack()
{
    if (m_page->history()->canGoBack())
        m_page->triggerAction(QWebEnginePage::Back);
}

void WebBrowser::GoForward()
{
    if (m_page->history()->canGoForward())
        m_page->triggerAction(QWebEnginePage::Forward);
}

void WebBrowser::Stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebBrowser::Refresh()
{
    m_page->triggerAction(QWebEnginePage::Reload);
}

QString WebBrowser::LocationURL() const
{
    QUrl url = m_page->url();
    // A refused address the page gave itself is never the page's address, not even until it
    // has been put back.
    if (!m_state.refusedUrl.isEmpty() && url == m_state.refusedUrl && !m_state.allowedUrl.isEmpty())
        url = m_state.allowedUrl;
    return url.isEmpty() ? QString() : addressOf(url);
}

bool WebBrowser::Silent() const
{
    return m_page->silent();
}

void WebBrowser::setAutoplaySound(bool autoplay)
{
    m_autoplaySound = autoplay;
    m_page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !autoplay);
}

void WebBrowser::setSilent(bool silent)
{
    m_page->setSilent(silent);
    for (const QPointer<QWidget>& popup : m_popups) {
        if (popup)
            static_cast<PopupWindow*>(popup.data())->page()->setSilent(silent);
    }
}

bool WebBrowser::isVisible() const
{
    return m_view->isVisible();
}

void WebBrowser::setVisible(bool visible)
{
    m_view->setVisible(visible);
}

void WebBrowser::setFocus()
{
    m_view->setFocus(Qt::OtherFocusReason);
}

void WebBrowser::ClosePopups()
{
    for (const QPointer<QWidget>& popup : std::exchange(m_popups, {}))
        delete popup.data();
}

bool WebBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view)
        return QObject::eventFilter(watched, event);
    // A view of another size is white until the engine has painted the page again (the
    // window going full screen, say): the last picture of the page covers it meanwhile.
    if (event->type() == QEvent::Resize && m_view->isVisible() && m_curtain->coverResize() &&
        m_goodPage && !m_state.programAwaiting && !m_state.topPending)
        liftWhenPainted(m_generation);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        m_curtain->followView();
    return QObject::eventFilter(watched, event);
}

void WebBrowser::raiseCurtain()
{
    // The page on screen, if there is one.
    m_curtain->raise(m_goodPage);
}

void WebBrowser::liftWhenPainted(quint64 generation, const QString& completed, const QImage& unlike,
                                 bool settles)
{
    m_curtain->liftWhenPainted(
        [this, generation] { return generation == m_generation && !m_state.programAwaiting; },
        [this, completed] {
            m_goodPage = true;
            m_state.paintAwaited = false;
            qCDebug(lcGlasspane) << "page on screen" << LocationURL();
            if (!completed.isEmpty())
                Q_EMIT pageOnScreen(completed);
        },
        unlike, settles);
}

void WebBrowser::lowerCurtain()
{
    m_curtain->lower();
}

void WebBrowser::requestBodyMetrics(std::function<void(const BodyMetrics&)> done)
{
    MeasureBody(*m_page, m_scriptAnswers, std::move(done));
}

void WebBrowser::setBodyScroll(const QString& scroll)
{
    SetBodyScroll(*m_page, scroll);
}

bool WebBrowser::canPrint() const
{
    return !m_printer->printing() && !m_state.busy && !m_page->url().isEmpty();
}

bool WebBrowser::print(QString* error)
{
    if (!canPrint()) {
        if (error)
            *error = tr("There is no page to print.");
        return false;
    }
    if (!m_printer->print()) {
        // The user changed their mind: nothing to report.
        if (error)
            error->clear();
        return false;
    }
    return true;
}

bool WebBrowser::navigationRequested(KioskPage* page, const QUrl& url,
                                     QWebEnginePage::NavigationType type, bool isMainFrame)
{
    const bool mainView = page == m_page;
    // Pages of the program's pop-up windows pass the same checks, but are not the top level
    // of the main view.
    const bool topLevel = mainView && isMainFrame;
    // A move within the page that the engine made a load after all was checked already.
    const bool checked =
        topLevel && m_state.programChecked && m_state.programAwaiting && url == m_state.programUrl;
    bool cancel = false;
    if (m_listener && !checked) {
        ++m_delivering;
        m_listener->BeforeNavigate2(addressOf(url), topLevel, cancel);
        --m_delivering;
    }
    if (!mainView) {
        if (isMainFrame) {
            for (const QPointer<QWidget>& popup : m_popups) {
                auto* window = static_cast<PopupWindow*>(popup.data());
                if (window && window->page() == page)
                    window->navigationDecided(!cancel);
            }
        }
        return !cancel;
    }

    if (isMainFrame) {
        // (Said once the state below is set: a navigation let through stands for the page.)
        const auto asked = qScopeGuard([this, &cancel] { replacementAsked(!cancel); });
        const bool program = m_state.programAwaiting && url == m_state.programUrl;
        // The engine calls a server's redirect and a script's navigation while the page loads
        // both redirects; only the first belongs to the navigation let through last, before its
        // document arrived. The second is the page's own navigation.
        const bool redirect = type == QWebEnginePage::NavigationTypeRedirect &&
                              m_state.topPending && !m_state.commitUrl.isEmpty();
        if (redirect) {
            // Accepted or not, the load in progress goes on to this address or stops there.
            m_state.topUrl = url;
            if (cancel)
                m_state.topRefused = true;
            else
                m_state.commitUrl = url;
        } else if (cancel) {
            // Refused: the load under way, if any, goes on.
            if (program)
                dropProgram(QStringLiteral("refused"));
            else
                reportError(addressOf(url), QStringLiteral("refused"));
        } else {
            // A load that replaces the program's own before it completed stands for it; the
            // document it leaves stays on screen until its own arrives.
            const bool inherits =
                !program && m_state.topForProgram && (m_state.topPending || m_state.topCompleting);
            ++m_generation;
            m_state.topPending = true;
            m_state.topUrl = url;
            // The page on screen's own address again: its document arrives without a new
            // address, so nothing marks its arrival, and what changes the address from then on
            // is the page.
            m_state.commitUrl = url == m_page->url() ? QUrl() : url;
            m_state.topAddress = program    ? m_state.programAddress
                                 : inherits ? m_state.topAddress
                                            : addressOf(url);
            m_state.topForProgram = program || inherits;
            m_state.topCommitted = inherits && m_state.topCommitted;
            m_state.topRefused = false;
            m_state.topCompleting = false;
            m_state.frameDocuments.clear();
            ++m_loadsStarted;
            if (program) {
                m_state.programAwaiting = false;
                m_state.programChecked = false;
                if (m_listener) {
                    ++m_delivering;
                    m_listener->LoadStarted(m_state.programAddress);
                    --m_delivering;
                }
            }
        }
    } else if (!cancel) {
        if (m_state.topPending) {
            m_state.frameDocuments << addressOf(url);
        } else {
            // A frame loaded into a page already complete.
            const QString address = addressOf(url);
            QTimer::singleShot(0, this, [this, address] {
                if (!m_listener)
                    return;
                ++m_delivering;
                m_listener->DocumentComplete(address, false);
                --m_delivering;
            });
        }
    }
    return !cancel;
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_state.busy = true;
        return;
    }
    endLoad(info);
    // A window opened in the page's place waited for this end.
    startReplacement();
}

void WebBrowser::startReplacement()
{
    // A load begun while another is under way merges with it in the engine's reports: the
    // first one's end is reported, the second one's never is, and with it whether the server
    // answered with an error. So the page's window waits for the load under way to end; a
    // program page that completed meanwhile is still replaced before its completion is told.
    if (m_state.replacement.isEmpty() || m_page->isLoading())
        return;
    // Its navigation is asked about a moment later: until then, a completion under way waits.
    m_state.replacing = true;
    const quint64 token = ++m_replacements;
    QTimer::singleShot(kStartTimeoutMs, this, [this, token] {
        if (token == m_replacements)
            replacementAsked(false);
    });
    m_page->load(std::exchange(m_state.replacement, QUrl()));
}

void WebBrowser::replacementAsked(bool loads)
{
    if (!std::exchange(m_state.replacing, false))
        return;
    // Refused, or never asked about: the page it was to replace completes after all. Let
    // through, it stands for that page.
    if (std::exchange(m_state.completionHeld, false) && !loads)
        completeTopLevel();
}

void WebBrowser::endLoad(const QWebEngineLoadingInfo& info)
{
    // A document whose script changed its address (history.replaceState) as it arrived may be
    // reported with that address only (Qt 6.8, on a busy machine): the page on screen ended
    // this load at an address of the same site.
    if (m_state.topPending && !m_state.commitUrl.isEmpty() && info.url() != m_state.topUrl &&
        info.status() == QWebEngineLoadingInfo::LoadSucceededStatus &&
        info.url() == m_page->url() && info.url().scheme() == m_state.commitUrl.scheme() &&
        info.url().authority() == m_state.commitUrl.authority()) {
        // (Its address was checked already when the change itself was reported.)
        const bool checked = m_state.allowedUrl == info.url();
        documentArrived();
        m_state.topUrl = info.url();
        if (checked)
            m_state.allowedUrl = info.url();
        else
            pageAddressChanged(info.url());
    }
    // A refused navigation ends too, with its own address: that is no document.
    if (!m_state.topPending || info.url() != m_state.topUrl) {
        if (!m_state.topPending)
            m_state.busy = false;
        else
            settleLater();
        // A Navigate that the engine dropped before asking anyone.
        if (m_state.programAwaiting && info.url() == m_state.programUrl)
            dropProgram(reasonOf(info));
        return;
    }
    m_state.busy = false;
    m_state.topPending = false;
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                           info.errorCode() >= 400;
    if (m_state.topRefused)
        endTopLevel(QStringLiteral("refused (a redirect to %1)").arg(addressOf(m_state.topUrl)));
    else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus &&
             info.errorCode() == kAbortedError && !httpError)
        endUnlessMediaPage(reasonOf(info));
    else if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus || httpError)
        endTopLevel(reasonOf(info));
    else
        endTopLevel(QString());
}

void WebBrowser::endUnlessMediaPage(const QString& failure)
{
    // The engine's own page for a sound or a video ends its load as aborted, once the player
    // has taken the address over: that page is there all the same.
    const quint64 generation = m_generation;
    const QUrl expected = m_state.topUrl;
    AskDocumentType(
        *m_page, m_scriptAnswers,
        [this, generation, expected, failure](const QString& type, const QUrl& location) {
            if (generation != m_generation)
                return;
            const bool media = location == expected && (type.startsWith(QLatin1String("video/")) ||
                                                        type.startsWith(QLatin1String("audio/")) ||
                                                        type.startsWith(QLatin1String("image/")));
            endTopLevel(media ? QString() : failure);
        });
}

void WebBrowser::onUrlChanged(const QUrl& url)
{
    if (url.isEmpty())
        return;
    if (!m_state.commitUrl.isEmpty() && url == m_state.commitUrl) {
        documentArrived();
        return;
    }
    // No document arrived: the one on screen has another address. A load under way whose
    // document it is ends with that address.
    if (m_state.topPending && m_state.commitUrl.isEmpty())
        m_state.topUrl = url;
    // The program's own move within the page on screen. A page that changes its address again
    // as it arrives (a deck's first slide back to "#/") may leave only that address to be
    // reported (Qt 6.8): the move was made all the same.
    const bool programMove =
        m_state.programAwaiting &&
        (url == m_state.programUrl ||
         (m_state.programChecked &&
          url.adjusted(QUrl::RemoveFragment) == m_state.programUrl.adjusted(QUrl::RemoveFragment)));
    if (programMove) {
        // There is no load to wait for.
        const QUrl moved = m_state.programUrl;
        m_state.programAwaiting = false;
        m_state.programChecked = false;
        m_state.allowedUrl = moved;
        m_state.refusedUrl.clear();
        if (m_listener) {
            ++m_delivering;
            m_listener->NavigateComplete2(addressOf(moved), true);
            --m_delivering;
        }
        m_state.topAddress = m_state.programAddress;
        if (m_state.topPending) {
            // The page has not finished loading: its load ends for this move too.
            m_state.topForProgram = true;
        } else {
            ++m_generation;
            m_state.frameDocuments.clear();
            completeTopLevel();
        }
        if (url == moved)
            return;
    }
    pageAddressChanged(url);
}

void WebBrowser::documentArrived()
{
    // The document of the navigation let through last has arrived.
    const QUrl url = std::exchange(m_state.commitUrl, QUrl());
    m_state.allowedUrl = url;
    m_state.refusedUrl.clear();
    // The new document has no measured body yet.
    m_state.metrics = BodyMetrics{};
    if (m_state.topPending)
        m_state.topCommitted = true;
    if (m_listener) {
        ++m_delivering;
        m_listener->NavigateComplete2(addressOf(url), true);
        --m_delivering;
    }
}

void WebBrowser::pageAddressChanged(const QUrl& url)
{
    if (url == m_state.allowedUrl) {
        // Back where it was let through last (a refused address put back, say).
        m_state.refusedUrl.clear();
        return;
    }
    bool refuse = false;
    if (m_listener) {
        ++m_delivering;
        m_listener->AddressChanged(addressOf(url), refuse);
        --m_delivering;
    }
    if (!refuse) {
        m_state.allowedUrl = url;
        m_state.refusedUrl.clear();
        return;
    }
    m_state.refusedUrl = url;
    if (m_state.allowedUrl.isEmpty())
        return;
    // Nothing was loaded, so nothing is left: the document gets its address back, which its
    // own scripts then see too (a reload or a router reads it).
    PutBackAddress(*m_page, m_state.allowedUrl);
}

void WebBrowser::settleLater()
{
    const quint64 generation = m_generation;
    QTimer::singleShot(kSettleMs, this, [this, generation] {
        if (generation != m_generation || !m_state.topPending)
            return;
        if (m_page->isLoading()) {
            // Its end may yet come; until it does, it is asked again.
            settleLater();
            return;
        }
        // Loading stopped without a word about this load: the page on screen says how it went.
        m_state.busy = false;
        m_state.topPending = false;
        endTopLevel(m_page->url() == m_state.topUrl && !m_state.topRefused
                        ? QString()
                        : QStringLiteral("the load ended without its page"));
    });
}

void WebBrowser::endTopLevel(const QString& failure)
{
    if (failure.isEmpty()) {
        m_state.commitUrl.clear();
        completeTopLevel();
        return;
    }
    if (m_state.topForProgram && m_state.topCommitted && !m_state.commitUrl.isEmpty()) {
        // The page's own navigation (a script's, while it loaded) came to nothing, refused
        // here or by the engine: the program's page it meant to leave is still what is shown,
        // and its load ends as that page's once it has stopped loading.
        qCDebug(lcGlasspane).noquote()
            << QStringLiteral("the page's own navigation to %1 ended without a page (%2); "
                              "the page stays")
                   .arg(addressOf(m_state.topUrl), failure);
        m_state.commitUrl.clear();
        m_state.busy = true;
        m_state.topPending = true;
        m_state.topUrl = m_page->url();
        m_state.topRefused = false;
        settleLater();
        return;
    }
    m_state.commitUrl.clear();
    failTopLevel(failure);
}

void WebBrowser::failTopLevel(const QString& reason)
{
    ++m_generation; // a measure still under way completes nothing
    m_state.topCompleting = false;
    m_state.frameDocuments.clear();
    if (m_state.topCommitted) {
        // Whatever came in its place (a server's error page) stays behind the curtain.
        m_goodPage = false;
    } else if (m_goodPage) {
        // The page before is still there.
        lowerCurtain();
    }
    reportError(m_state.topAddress, reason);
}

void WebBrowser::completeTopLevel()
{
    const quint64 generation = m_generation;
    const QStringList frames = std::exchange(m_state.frameDocuments, {});
    m_state.topCompleting = true;
    MeasureBody(*m_page, m_scriptAnswers, [this, generation, frames](const BodyMetrics& metrics) {
        // A newer load has begun: it will complete on its own (and stands for this one).
        if (generation != m_generation)
            return;
        if (m_state.replacing) {
            // A window opened in the page's place is about to stand for it.
            m_state.completionHeld = true;
            m_state.frameDocuments = frames;
            return;
        }
        m_state.topCompleting = false;
        m_state.metrics = metrics;
        const QString location = LocationURL();
        if (m_listener) {
            ++m_delivering;
            for (const QString& frame : frames)
                m_listener->DocumentComplete(frame, false);
            if (m_listener)
                m_listener->DocumentComplete(location, true);
            --m_delivering;
        }
        m_state.pageUsed = true;
        const qint64 renderer = m_page->renderProcessPid();
        if (renderer != m_loggedRenderer) {
            m_loggedRenderer = renderer;
            qCDebug(lcGlasspane) << "renderer process" << renderer;
        }
        // Lifted once the page has painted, unless another load came first. The PDF viewer
        // draws well after its page's own first frame: until it has, the view shows that frame
        // or what it showed before.
        m_goodPage = false;
        const QString completed = m_state.topForProgram ? m_state.topAddress : location;
        AskDocumentType(*m_page, m_scriptAnswers,
                        [this, generation, completed](const QString& type, const QUrl&) {
                            // (A page that goes answers what it had pending, empty.)
                            if (generation != m_generation)
                                return;
                            // The engine's own page for a video is black until the
                            // video's first frame has come: that frame is waited for too.
                            const bool pdf = type == QLatin1String("application/pdf");
                            const bool video = type.startsWith(QLatin1String("video/"));
                            QImage before;
                            if ((pdf || video) && m_view->isVisible())
                                before = m_view->grab().toImage();
                            m_state.paintAwaited = true;
                            m_state.paintCompleted = completed;
                            m_state.paintUnlike = before;
                            m_state.paintSettles = !video;
                            liftWhenPainted(generation, completed, before, !video);
                        });
        Q_EMIT topLevelDocumentComplete(location);
    });
}

void WebBrowser::onNewWindowRequested(QWebEngineNewWindowRequest& request)
{
    // Without a listener to decide, no window opens.
    NewWindowTarget target = NewWindowTarget::Separate;
    if (m_listener) {
        ++m_delivering;
        m_listener->NewWindow2(target);
        --m_delivering;
    } else {
        target = NewWindowTarget::Cancel;
    }
    switch (target) {
    case NewWindowTarget::Cancel:
        // Left unhandled, the request opens nothing.
        qCDebug(lcGlasspane) << "new window refused:" << request.requestedUrl().toString();
        return;
    case NewWindowTarget::Main:
        if (!request.requestedUrl().isEmpty() &&
            request.requestedUrl() != QUrl(QStringLiteral("about:blank"))) {
            // The page's doing, not the program's: should it replace the program's page before
            // that completed, it stands for it (see navigationRequested), so the show still
            // hears how it ended.
            m_state.replacement = request.requestedUrl();
            QTimer::singleShot(0, this, [this] { startReplacement(); });
        }
        return;
    case NewWindowTarget::Separate:
        openPopup(request);
        return;
    }
}

void WebBrowser::openPopup(QWebEngineNewWindowRequest& request)
{
    auto* popup = new PopupWindow(*this, m_profile, Silent());
    connect(popup->page(), &QWebEnginePage::newWindowRequested, this,
            &WebBrowser::onNewWindowRequested);
    m_popups.erase(std::remove_if(m_popups.begin(), m_popups.end(),
                                  [](const QPointer<QWidget>& p) { return p.isNull(); }),
                   m_popups.end());
    m_popups.emplace_back(popup);
    const QRect geometry = request.requestedGeometry();
    if (geometry.width() > 0 && geometry.height() > 0)
        popup->resize(geometry.size());
    // The window shows the page it was asked for once its navigation, which comes through
    // navigationRequested like any other, is let through; refused, no window appears.
    request.openIn(popup->page());
}

} // namespace glasspane
