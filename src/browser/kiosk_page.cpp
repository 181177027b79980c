#include "browser/kiosk_page.h"

#include "browser/page_scripts.h"
#include "platform/log.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#else
#include <QWebEngineQuotaRequest>
#endif
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace glasspane {

KioskPage::KioskPage(QWebEngineProfile* profile, Owner& owner, QObject* parent)
    : QWebEnginePage(profile, parent), m_owner(owner)
{
    QWebEngineSettings* s = settings();
    // A link or file dropped on the page must not take the kiosk anywhere.
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    // Icons are never shown, so they are not fetched either.
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    // The engine's PDF viewer is its only plug-in; without it a PDF would be a download.
    s->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true); // OnNewWindow decides
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    // A local page reads no other site's data. Which local files it reaches is the profile's
    // decision (BrowserProfile::localRequestAllowed): turning LocalContentCanAccessFileUrls off
    // would also take every local page's own pictures away.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);

    AddMediaPageStyle(*this);

    // Camera, microphone, location, notifications and the like: never.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    // Qt 6.8 asks for no quota any more.
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::selectClientCertificate, this,
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
    // No credentials the document did not give: the request ends unanswered and the page
    // shows what the server sent with its refusal (never an empty user name and password).
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl& url, QAuthenticator* authenticator) {
                qCDebug(lcGlasspane) << "authentication refused" << url;
                *authenticator = QAuthenticator();
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl& url, QAuthenticator* authenticator, const QString&) {
                qCDebug(lcGlasspane) << "proxy authentication refused" << url;
                *authenticator = QAuthenticator();
            });
    // Never an exception for a bad certificate, and never a prompt asking for one.
    connect(this, &QWebEnginePage::certificateError, this,
            [](const QWebEngineCertificateError& error) {
                QWebEngineCertificateError copy = error;
                copy.rejectCertificate();
            });
}

void KioskPage::setSilent(bool silent)
{
    m_silent = silent;
    settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, !silent);
}

bool KioskPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    return m_owner.navigationRequested(this, url, type, isMainFrame);
}

QStringList KioskPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    // A file dialog would let visitors browse the kiosk's disk.
    qCDebug(lcGlasspane) << "file chooser refused";
    return {};
}

void KioskPage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg)
{
    if (m_silent)
        return;
    const ScriptDialog open;
    QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool KioskPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg)
{
    // The engine asks "leave this page?" through here. A kiosk always leaves: refused (silent)
    // or left unanswered, the question would hold the show on that page for good.
    if (msg == QCoreApplication::translate("QWebEnginePage",
                                           "Are you sure you want to leave this page? Changes "
                                           "that you made may not be saved."))
        return true;
    if (m_silent)
        return false;
    const ScriptDialog open;
    return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool KioskPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                 const QString& defaultValue, QString* result)
{
    if (m_silent)
        return false;
    const ScriptDialog open;
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void KioskPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                         const QString&)
{
    // Pages' console output is of no use on a kiosk's terminal.
}

} // namespace glasspane
