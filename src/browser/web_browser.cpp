#include "browser/web_browser.h"

#include "document/page_address.h"
#include "document/restriction.h"
#include "platform/log.h"

#include <QDir>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace glasspane {

namespace {

// Measures in the application's own script world, out of reach of the page's scripts.
constexpr quint32 kWorld = QWebEngineScript::ApplicationWorld;

// The scrolling element is the viewport's in both standards and quirks mode, so its client
// height is the window's visible height and its scroll height the document's.
const char kMeasureScript[] = R"((function () {
    var b = document.body;
    if (!b) return null;
    var s = document.scrollingElement || document.documentElement;
    return [Math.max(s.scrollHeight, b.scrollHeight), s.clientHeight];
})())";

// "no" hides the viewport's vertical scroll bar; "" puts back what the page had.
const char kScrollScript[] = R"((function (v) {
    var e = document.documentElement;
    if (!e) return;
    if (window.__glasspaneOverflowY === undefined) window.__glasspaneOverflowY = e.style.overflowY;
    e.style.overflowY = (v === 'no') ? 'hidden' : window.__glasspaneOverflowY;
})(%1))";

// How long a measure may take before the document completes without one.
constexpr int kMeasureTimeoutMs = 3000;
// Pause before a page whose renderer died is loaded again.
constexpr int kRendererRestartMs = 500;
// The curtain lifts once the page has painted two frames since it was asked (the engine's own
// word, asked every so often), and this long after that, for the frame to reach the screen.
constexpr int kCurtainLiftMs = 60;
constexpr int kPaintPollMs = 40;
// A page that paints nothing, or nothing but white, is uncovered after this.
constexpr int kPaintWaitMs = 2500;

// Asks for two frames; the second one sets the mark that the poll reads.
const char kPaintMarkScript[] = R"((function () {
    window.__glasspanePainted = false;
    requestAnimationFrame(function () {
        requestAnimationFrame(function () { window.__glasspanePainted = true; });
    });
})())";
const char kPaintPollScript[] = "window.__glasspanePainted === true";
// Puts an address back on the document's present history entry, keeping the page's state.
const char kPutBackScript[] = R"((function (u) {
    try { history.replaceState(history.state, '', u); }
    catch (e) { try { history.replaceState(null, '', u); } catch (e2) {} }
})(%1))";
// A load that another replaced before it ended may end with no word of its own: once the
// engine has been idle this long after the last end it reported, the page on screen settles it.
constexpr int kSettleMs = 250;
// A Navigate that has started no load by then (a move within the page on screen, an address
// the engine drops without a word) is settled then.
constexpr int kStartTimeoutMs = 10000;

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

// Whether a picture of the view holds anything but white: the view shows white until the
// engine's first frame for its present size has reached it, whatever the page has painted. (A
// page that is white all over is told apart only by the wait running out.)
bool showsSomething(const QImage& picture)
{
    if (picture.isNull())
        return false;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xffffff) != 0xffffff)
                return true;
        }
    }
    return false;
}

BodyMetrics metricsFrom(const QVariant& value)
{
    BodyMetrics m;
    const QVariantList list = value.toList();
    if (list.size() == 2) {
        m.hasBody = true;
        m.scrollHeight = list.at(0).toInt();
        m.clientHeight = list.at(1).toInt();
    }
    return m;
}

} // namespace

// A plain browser window of the program for pages that open new windows. Its navigations go
// through the same checks as the main view's.
class WebBrowser::PopupWindow final : public QWidget
{
public:
    PopupWindow(WebBrowser& owner, QWebEngineProfile* profile) : QWidget(nullptr, Qt::Window)
    {
        setObjectName(QStringLiteral("frmPopup"));
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("Glasspane"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_view = new QWebEngineView(this);
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        m_view->setAcceptDrops(false);
        m_page = new KioskPage(profile, owner, m_view);
        m_page->setSilent(owner.Silent());
        m_view->setPage(m_page);
        layout->addWidget(m_view);
        connect(m_page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
        connect(m_page, &QWebEnginePage::newWindowRequested, &owner,
                &WebBrowser::onNewWindowRequested);
        // The window appears once its page has loaded and reached the view: never as an empty
        // white window. Until then it stands outside the screen, where the engine paints it.
        connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            if (ok && !m_revealed && !m_refused && !isVisible()) {
                m_place = pos();
                move(-20000, -20000);
                show();
                QTimer::singleShot(kPaintPollMs, this, [this] { revealWhenPainted(kPaintPollMs); });
            }
        });
        resize(800, 600);
    }

    KioskPage* page() const { return m_page; }

    // Refused before it had anything to show, the window never appears.
    void navigationDecided(bool accepted)
    {
        if (!accepted && !m_revealed) {
            m_refused = true;
            close();
        }
    }

private:
    void revealWhenPainted(int waited)
    {
        if (m_revealed || m_refused)
            return;
        if (waited < kPaintWaitMs && !showsSomething(m_view->grab().toImage())) {
            QTimer::singleShot(kPaintPollMs, this,
                               [this, waited] { revealWhenPainted(waited + kPaintPollMs); });
            return;
        }
        m_revealed = true;
        move(m_place);
    }

    QWebEngineView* m_view;
    KioskPage* m_page;
    QPoint m_place;
    bool m_revealed = false;
    bool m_refused = false;
};

WebBrowser::WebBrowser(QWebEngineProfile* profile, QWidget* parentWidget) : m_profile(profile)
{
    m_view = new QWebEngineView(parentWidget);
    m_view->setObjectName(QStringLiteral("WebBrowser0"));
    // No menu with "Back", "View source" or "Inspect", and nothing dropped onto the page.
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setAcceptDrops(false);
    m_curtain = new QLabel(parentWidget);
    m_curtain->setObjectName(QStringLiteral("curtain"));
    m_curtain->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_curtain->setAutoFillBackground(true);
    QPalette black = m_curtain->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_curtain->setPalette(black);
    m_curtain->setScaledContents(true);
    m_curtain->hide();
    m_view->installEventFilter(this);
    attachPage(false);
    connect(m_view, &QWebEngineView::printFinished, this, [this](bool) { m_printer.reset(); });
}

void WebBrowser::attachPage(bool silent)
{
    KioskPage* page = new KioskPage(m_profile, *this, m_view);
    page->setSilent(silent);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(page, &QWebEnginePage::urlChanged, this, &WebBrowser::onUrlChanged);
    connect(page, &QWebEnginePage::newWindowRequested, this, &WebBrowser::onNewWindowRequested);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this, page](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus || page != m_page)
                    return;
                // A kiosk shows no "page crashed" screen: the page comes back by itself.
                std::weak_ptr<int> alive = m_alive;
                QTimer::singleShot(kRendererRestartMs, this, [this, alive, page] {
                    if (alive.expired() || page != m_page)
                        return;
                    const QString location = LocationURL();
                    if (location.isEmpty())
                        return;
                    m_page->load(urlOf(location));
                    Q_EMIT rendererRestarted();
                });
            });
    m_view->setPage(page);
    m_page = page;
}

void WebBrowser::renewPage()
{
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
    m_busy = false;
    m_topPending = false;
    m_topForProgram = false;
    m_topCommitted = false;
    m_topRefused = false;
    m_topCompleting = false;
    m_programAwaiting = false;
    m_programChecked = false;
    m_commitUrl.clear();
    m_allowedUrl.clear();
    m_refusedUrl.clear();
    m_frameDocuments.clear();
    m_metrics = BodyMetrics{};
    m_pageUsed = false;
    attachPage(old->silent());
    // Its renderer process ends with it, and with that process the memory it held.
    delete old;
}

WebBrowser::~WebBrowser()
{
    m_alive.reset();
    m_listener = nullptr;
    for (const QPointer<QWidget>& popup : m_popups)
        delete popup.data();
    // The page goes before the view and long before the profile.
    delete m_view;
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
        std::weak_ptr<int> alive = m_alive;
        QTimer::singleShot(0, this, [this, alive, url, reason] {
            if (!alive.expired())
                reportError(url, reason);
        });
        return;
    }
    m_programAddress = url;
    m_programUrl = target;
    m_programAwaiting = true;
    m_programChecked = false;
    const quint64 count = ++m_programCount;
    raiseCurtain();

    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(kStartTimeoutMs, this, [this, alive, count] {
        if (alive.expired() || count != m_programCount || !m_programAwaiting)
            return;
        // No load began: either the page on screen already is that address, or nothing will
        // come of it.
        m_programAwaiting = false;
        if (m_page->url() == m_programUrl) {
            ++m_generation;
            m_topAddress = m_programAddress;
            m_frameDocuments.clear();
            completeTopLevel();
        } else {
            reportError(m_programAddress, QStringLiteral("the browser did not start loading it"));
        }
    });

    if (m_delivering > 0 || movesWithinPage(target)) {
        // Not from inside one of the page's own calls into the listener, and a move within the
        // page, which is checked before it is made, not from inside the caller's own call.
        QTimer::singleShot(0, this, [this, alive, target, count] {
            if (!alive.expired())
                startProgramLoad(target, count);
        });
        return;
    }
    startProgramLoad(target, count);
}

void WebBrowser::startProgramLoad(const QUrl& target, quint64 count)
{
    // A later Navigate took its place meanwhile.
    if (count != m_programCount || !m_programAwaiting)
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
        m_programChecked = true;
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
    m_programAwaiting = false;
    m_programChecked = false;
    reportError(m_programAddress, reason);
    // Nothing came of it: the page on screen stays, as it was.
    if (!m_topPending && m_goodPage)
        lowerCurtain();
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
    if (!m_refusedUrl.isEmpty() && url == m_refusedUrl && !m_allowedUrl.isEmpty())
        url = m_allowedUrl;
    return url.isEmpty() ? QString() : addressOf(url);
}

bool WebBrowser::Silent() const
{
    return m_page->silent();
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
    if (event->type() == QEvent::Resize && m_view->isVisible() && !m_curtain->isVisible()) {
        // A view of another size is white until the engine has painted the page again (the
        // window going full screen, say): the last picture of the page covers it meanwhile.
        m_curtain->setPixmap(m_lastPicture);
        if (m_lastPicture.isNull())
            m_curtain->clear();
        m_curtain->show();
        m_curtain->raise();
        if (m_goodPage && !m_programAwaiting && !m_topPending)
            liftWhenPainted(m_generation);
    }
    if (m_curtain->isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        m_curtain->setGeometry(m_view->geometry());
    return QObject::eventFilter(watched, event);
}

void WebBrowser::raiseCurtain()
{
    if (!m_curtain->isVisible()) {
        // The page on screen, if there is one: a view never shown, or hidden with its window,
        // has nothing worth keeping, and black is better than white.
        QPixmap picture;
        if (m_goodPage && m_view->isVisible())
            picture = m_view->grab();
        m_curtain->setPixmap(picture);
        if (picture.isNull())
            m_curtain->clear();
    }
    m_curtain->setGeometry(m_view->geometry());
    m_curtain->show();
    m_curtain->raise();
}

void WebBrowser::liftWhenPainted(quint64 generation)
{
    m_page->runJavaScript(QString::fromLatin1(kPaintMarkScript), kWorld);
    std::weak_ptr<int> alive = m_alive;
    auto lift = [this, alive, generation] {
        QTimer::singleShot(kCurtainLiftMs, this, [this, alive, generation] {
            if (alive.expired() || generation != m_generation || m_programAwaiting)
                return;
            m_goodPage = true;
            lowerCurtain();
            qCDebug(lcGlasspane) << "page on screen" << LocationURL();
            if (m_view->isVisible())
                m_lastPicture = m_view->grab();
        });
    };
    // Each poll asks the page and, while it has not painted, plans the next one; the chain
    // ends with the lift, with a newer load, or with the wait given up.
    auto poll = std::make_shared<std::function<void(int)>>();
    *poll = [this, alive, generation, lift, weak = std::weak_ptr(poll)](int waited) {
        if (alive.expired() || generation != m_generation || m_programAwaiting)
            return;
        if (waited > kPaintWaitMs) {
            lift();
            return;
        }
        m_page->runJavaScript(
            QString::fromLatin1(kPaintPollScript), kWorld,
            [this, alive, lift, waited, next = weak.lock()](const QVariant& painted) {
                if (alive.expired() || !next)
                    return;
                // Painted by the page, and seen by the view (a page that is all white passes
                // only once the wait is over).
                if (painted.toBool() &&
                    (!m_view->isVisible() || showsSomething(m_view->grab().toImage())))
                    lift();
                else
                    QTimer::singleShot(kPaintPollMs, this,
                                       [next, waited] { (*next)(waited + kPaintPollMs); });
            });
    };
    QTimer::singleShot(kPaintPollMs, this, [poll] { (*poll)(kPaintPollMs); });
}

void WebBrowser::lowerCurtain()
{
    m_curtain->hide();
    m_curtain->clear();
}

void WebBrowser::measureBody(std::function<void(const BodyMetrics&)> done)
{
    // Either the answer or the time-out, whichever comes first, and only once.
    auto pending = std::make_shared<std::function<void(const BodyMetrics&)>>(std::move(done));
    std::weak_ptr<int> alive = m_alive;
    m_page->runJavaScript(QString::fromLatin1(kMeasureScript), kWorld,
                          [alive, pending](const QVariant& value) {
                              if (alive.expired() || !*pending)
                                  return;
                              auto call = std::exchange(*pending, nullptr);
                              call(metricsFrom(value));
                          });
    QTimer::singleShot(kMeasureTimeoutMs, this, [alive, pending] {
        if (alive.expired() || !*pending)
            return;
        auto call = std::exchange(*pending, nullptr);
        call(BodyMetrics{});
    });
}

void WebBrowser::requestBodyMetrics(std::function<void(const BodyMetrics&)> done)
{
    measureBody(std::move(done));
}

void WebBrowser::setBodyScroll(const QString& scroll)
{
    const QString value = scroll.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("'no'")
                              : QStringLiteral("''");
    m_page->runJavaScript(QString::fromLatin1(kScrollScript).arg(value), kWorld);
}

bool WebBrowser::canPrint() const
{
    return !m_printer && !m_busy && !m_page->url().isEmpty();
}

bool WebBrowser::print(QString* error)
{
    if (!canPrint()) {
        if (error)
            *error = tr("There is no page to print.");
        return false;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), m_view->window());
    // Printers only: printing to a file would open a file dialog on the kiosk's disk.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (dialog.exec() != QDialog::Accepted) {
        // The user changed their mind: nothing to report.
        if (error)
            error->clear();
        return false;
    }
    m_printer = std::move(printer);
    m_view->print(m_printer.get());
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
    const bool checked = topLevel && m_programChecked && m_programAwaiting && url == m_programUrl;
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
        const bool program = m_programAwaiting && url == m_programUrl;
        // The engine calls a server's redirect and a script's navigation while the page loads
        // both redirects; only the first belongs to the navigation let through last, before its
        // document arrived. The second is the page's own navigation.
        const bool redirect = type == QWebEnginePage::NavigationTypeRedirect && m_topPending &&
                              !m_commitUrl.isEmpty();
        if (redirect) {
            // Accepted or not, the load in progress goes on to this address or stops there.
            m_topUrl = url;
            if (cancel)
                m_topRefused = true;
            else
                m_commitUrl = url;
        } else if (cancel) {
            // Refused: the load under way, if any, goes on.
            if (program)
                dropProgram(QStringLiteral("refused"));
            else
                reportError(addressOf(url), QStringLiteral("refused"));
        } else {
            // A load that replaces the program's own before it completed stands for it; the
            // document it leaves stays on screen until its own arrives.
            const bool inherits = !program && m_topForProgram && (m_topPending || m_topCompleting);
            ++m_generation;
            m_topPending = true;
            m_topUrl = url;
            // The page on screen's own address again: its document arrives without a new
            // address, so nothing marks its arrival, and what changes the address from then on
            // is the page.
            m_commitUrl = url == m_page->url() ? QUrl() : url;
            m_topAddress = program ? m_programAddress : inherits ? m_topAddress : addressOf(url);
            m_topForProgram = program || inherits;
            m_topCommitted = inherits && m_topCommitted;
            m_topRefused = false;
            m_topCompleting = false;
            m_frameDocuments.clear();
            if (program) {
                m_programAwaiting = false;
                m_programChecked = false;
            }
        }
    } else if (!cancel) {
        if (m_topPending) {
            m_frameDocuments << addressOf(url);
        } else {
            // A frame loaded into a page already complete.
            const QString address = addressOf(url);
            std::weak_ptr<int> alive = m_alive;
            QTimer::singleShot(0, this, [this, alive, address] {
                if (alive.expired() || !m_listener)
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
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_busy = true;
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        break;
    }
    // A refused navigation ends too, with its own address: that is no document.
    if (!m_topPending || info.url() != m_topUrl) {
        if (!m_topPending)
            m_busy = false;
        else
            settleLater();
        // A Navigate that the engine dropped before asking anyone.
        if (m_programAwaiting && info.url() == m_programUrl)
            dropProgram(reasonOf(info));
        return;
    }
    m_busy = false;
    m_topPending = false;
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                           info.errorCode() >= 400;
    if (m_topRefused)
        endTopLevel(QStringLiteral("refused (a redirect to %1)").arg(addressOf(m_topUrl)));
    else if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus || httpError)
        endTopLevel(reasonOf(info));
    else
        endTopLevel(QString());
}

void WebBrowser::onUrlChanged(const QUrl& url)
{
    if (url.isEmpty())
        return;
    if (!m_commitUrl.isEmpty() && url == m_commitUrl) {
        // The document of the navigation let through last has arrived.
        m_commitUrl.clear();
        m_allowedUrl = url;
        m_refusedUrl.clear();
        // The new document has no measured body yet.
        m_metrics = BodyMetrics{};
        if (m_topPending)
            m_topCommitted = true;
        if (m_listener) {
            ++m_delivering;
            m_listener->NavigateComplete2(addressOf(url), true);
            --m_delivering;
        }
        return;
    }
    // No document arrived: the one on screen has another address. A load under way whose
    // document it is ends with that address.
    if (m_topPending && m_commitUrl.isEmpty())
        m_topUrl = url;
    if (m_programAwaiting && url == m_programUrl) {
        // The program's own move within the page on screen: there is no load to wait for.
        m_programAwaiting = false;
        m_programChecked = false;
        m_allowedUrl = url;
        m_refusedUrl.clear();
        if (m_listener) {
            ++m_delivering;
            m_listener->NavigateComplete2(addressOf(url), true);
            --m_delivering;
        }
        m_topAddress = m_programAddress;
        if (m_topPending) {
            // The page has not finished loading: its load ends for this move too.
            m_topForProgram = true;
            return;
        }
        ++m_generation;
        m_frameDocuments.clear();
        completeTopLevel();
        return;
    }
    pageAddressChanged(url);
}

void WebBrowser::pageAddressChanged(const QUrl& url)
{
    if (url == m_allowedUrl) {
        // Back where it was let through last (a refused address put back, say).
        m_refusedUrl.clear();
        return;
    }
    bool refuse = false;
    if (m_listener) {
        ++m_delivering;
        m_listener->AddressChanged(addressOf(url), refuse);
        --m_delivering;
    }
    if (!refuse) {
        m_allowedUrl = url;
        m_refusedUrl.clear();
        return;
    }
    m_refusedUrl = url;
    if (m_allowedUrl.isEmpty())
        return;
    // Nothing was loaded, so nothing is left: the document gets its address back, which its
    // own scripts then see too (a reload or a router reads it).
    const QString address =
        QString::fromUtf8(QJsonDocument(QJsonArray{m_allowedUrl.toString(QUrl::FullyEncoded)})
                              .toJson(QJsonDocument::Compact));
    m_page->runJavaScript(QString::fromLatin1(kPutBackScript).arg(address), kWorld);
}

void WebBrowser::settleLater()
{
    const quint64 generation = m_generation;
    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(kSettleMs, this, [this, alive, generation] {
        if (alive.expired() || generation != m_generation || !m_topPending)
            return;
        if (m_page->isLoading()) {
            // Its end may yet come; until it does, it is asked again.
            settleLater();
            return;
        }
        // Loading stopped without a word about this load: the page on screen says how it went.
        m_busy = false;
        m_topPending = false;
        endTopLevel(m_page->url() == m_topUrl && !m_topRefused
                        ? QString()
                        : QStringLiteral("the load ended without its page"));
    });
}

void WebBrowser::endTopLevel(const QString& failure)
{
    if (failure.isEmpty()) {
        m_commitUrl.clear();
        completeTopLevel();
        return;
    }
    if (m_topForProgram && m_topCommitted && !m_commitUrl.isEmpty()) {
        // The page's own navigation (a script's, while it loaded) came to nothing, refused
        // here or by the engine: the program's page it meant to leave is still what is shown,
        // and its load ends as that page's once it has stopped loading.
        qCDebug(lcGlasspane).noquote()
            << QStringLiteral("the page's own navigation to %1 ended without a page (%2); "
                              "the page stays")
                   .arg(addressOf(m_topUrl), failure);
        m_commitUrl.clear();
        m_busy = true;
        m_topPending = true;
        m_topUrl = m_page->url();
        m_topRefused = false;
        settleLater();
        return;
    }
    m_commitUrl.clear();
    failTopLevel(failure);
}

void WebBrowser::failTopLevel(const QString& reason)
{
    ++m_generation; // a measure still under way completes nothing
    m_topCompleting = false;
    m_frameDocuments.clear();
    if (m_topCommitted) {
        // Whatever came in its place (a server's error page) stays behind the curtain.
        m_goodPage = false;
    } else if (m_goodPage) {
        // The page before is still there.
        lowerCurtain();
    }
    reportError(m_topAddress, reason);
}

void WebBrowser::completeTopLevel()
{
    const quint64 generation = m_generation;
    const QStringList frames = std::exchange(m_frameDocuments, {});
    m_topCompleting = true;
    measureBody([this, generation, frames](const BodyMetrics& metrics) {
        // A newer load has begun: it will complete on its own (and stands for this one).
        if (generation != m_generation)
            return;
        m_topCompleting = false;
        m_metrics = metrics;
        const QString location = LocationURL();
        if (m_listener) {
            ++m_delivering;
            for (const QString& frame : frames)
                m_listener->DocumentComplete(frame, false);
            if (m_listener)
                m_listener->DocumentComplete(location, true);
            --m_delivering;
        }
        m_pageUsed = true;
        const qint64 renderer = m_page->renderProcessPid();
        if (renderer != m_loggedRenderer) {
            m_loggedRenderer = renderer;
            qCDebug(lcGlasspane) << "renderer process" << renderer;
        }
        // Lifted once the page has painted, unless another load came first.
        m_goodPage = false;
        liftWhenPainted(generation);
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
        return;
    case NewWindowTarget::Main:
        if (!request.requestedUrl().isEmpty() &&
            request.requestedUrl() != QUrl(QStringLiteral("about:blank"))) {
            // The page's doing, not the program's: should it replace the program's page before
            // that completed, it stands for it (see navigationRequested), so the show still
            // hears how it ended.
            const QUrl target = request.requestedUrl();
            std::weak_ptr<int> alive = m_alive;
            QTimer::singleShot(0, this, [this, alive, target] {
                if (!alive.expired())
                    m_page->load(target);
            });
        }
        return;
    case NewWindowTarget::Separate:
        openPopup(request);
        return;
    }
}

void WebBrowser::openPopup(QWebEngineNewWindowRequest& request)
{
    auto* popup = new PopupWindow(*this, m_profile);
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
