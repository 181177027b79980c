#include "browser/web_browser.h"

#include "document/restriction.h"
#include "platform/log.h"

#include <QDir>
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
        resize(800, 600);
    }

    KioskPage* page() const { return m_page; }

private:
    QWebEngineView* m_view;
    KioskPage* m_page;
};

WebBrowser::WebBrowser(QWebEngineProfile* profile, QWidget* parentWidget) : m_profile(profile)
{
    m_view = new QWebEngineView(parentWidget);
    m_view->setObjectName(QStringLiteral("WebBrowser0"));
    // No menu with "Back", "View source" or "Inspect", and nothing dropped onto the page.
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setAcceptDrops(false);
    m_page = new KioskPage(profile, *this, m_view);
    m_view->setPage(m_page);

    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (url.isEmpty())
            return;
        // The new document has no measured body yet.
        m_metrics = BodyMetrics{};
        if (m_listener) {
            ++m_delivering;
            m_listener->NavigateComplete2(addressOf(url), true);
            --m_delivering;
        }
    });
    connect(m_page, &QWebEnginePage::newWindowRequested, this, &WebBrowser::onNewWindowRequested);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // A kiosk shows no "page crashed" screen: the page comes back by itself.
                std::weak_ptr<int> alive = m_alive;
                QTimer::singleShot(kRendererRestartMs, this, [this, alive] {
                    if (alive.expired())
                        return;
                    const QString location = LocationURL();
                    if (location.isEmpty())
                        return;
                    m_page->load(urlOf(location));
                    Q_EMIT rendererRestarted();
                });
            });
    connect(m_view, &QWebEngineView::printFinished, this, [this](bool) { m_printer.reset(); });
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
    if (url.isLocalFile()) {
        QString path = url.toLocalFile();
        if (url.hasFragment())
            path += QLatin1Char('#') + url.fragment();
        return path;
    }
    return url.toString();
}

QUrl WebBrowser::urlOf(const QString& address)
{
    const QString text = address.trimmed();
    if (text.startsWith(QLatin1Char('/'))) {
        // A local path, perhaps with a fragment: "…/documentation.html#keys".
        const qsizetype hash = text.indexOf(QLatin1Char('#'));
        QUrl url = QUrl::fromLocalFile(hash < 0 ? text : text.left(hash));
        if (hash >= 0)
            url.setFragment(text.mid(hash + 1));
        return url;
    }
    const QUrl url(text);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    return QUrl::fromUserInput(text, QDir::currentPath());
}

void WebBrowser::Navigate(const QString& url)
{
    const QUrl target = urlOf(url);
    // An address that would run script in the page on screen (javascript:) or show the engine's
    // own pages is never loaded, whoever asks: no navigation event would see it.
    if (!IsNavigableAddress(addressOf(target))) {
        qCDebug(lcGlasspane) << "navigation refused" << url;
        return;
    }
    if (m_delivering > 0) {
        // Not from inside one of the page's own calls into the listener.
        std::weak_ptr<int> alive = m_alive;
        QTimer::singleShot(0, this, [this, alive, target] {
            if (!alive.expired())
                m_page->load(target);
        });
        return;
    }
    m_page->load(target);
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
    const QUrl url = m_page->url();
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
    bool cancel = false;
    if (m_listener) {
        ++m_delivering;
        m_listener->BeforeNavigate2(addressOf(url), topLevel, cancel);
        --m_delivering;
    }
    if (!mainView)
        return !cancel;

    if (isMainFrame) {
        if (type == QWebEnginePage::NavigationTypeRedirect) {
            // Accepted or not, the load in progress goes on to this address or stops there.
            m_topUrl = url;
        } else if (!cancel) {
            ++m_generation;
            m_topPending = true;
            m_topUrl = url;
            m_frameDocuments.clear();
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
        return;
    }
    m_busy = false;
    m_topPending = false;
    completeTopLevel();
}

void WebBrowser::completeTopLevel()
{
    const quint64 generation = m_generation;
    const QStringList frames = std::exchange(m_frameDocuments, {});
    measureBody([this, generation, frames](const BodyMetrics& metrics) {
        // A newer load has begun: it will complete on its own.
        if (generation != m_generation)
            return;
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
            request.requestedUrl() != QUrl(QStringLiteral("about:blank")))
            Navigate(addressOf(request.requestedUrl()));
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
    // The window shows the page it was asked for; its navigation comes through
    // navigationRequested like any other.
    request.openIn(popup->page());
    popup->show();
}

} // namespace glasspane
