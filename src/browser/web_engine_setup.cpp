#include "browser/web_engine_setup.h"

#include "document/restriction.h"
#include "platform/log.h"
#include "platform/online_state.h"

#include <QByteArrayList>
#include <QLoggingCategory>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace glasspane {

namespace {

bool isDebuggingSwitch(const char* arg)
{
    static const char* const prefixes[] = {"--remote-debugging", "-remote-debugging",
                                           "--auto-open-devtools"};
    for (const char* prefix : prefixes) {
        if (std::strncmp(arg, prefix, std::strlen(prefix)) == 0)
            return true;
    }
    return false;
}

} // namespace

void DisableWebEngineDebugging(int& argc, char** argv)
{
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");

    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.isEmpty()) {
        QByteArrayList kept;
        for (const QByteArray& flag : flags.simplified().split(' ')) {
            if (!isDebuggingSwitch(flag.constData()))
                kept << flag;
        }
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", kept.join(' '));
    }

    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (!isDebuggingSwitch(argv[i]))
            argv[out++] = argv[i];
    }
    if (argc > 0) {
        argc = out;
        argv[argc] = nullptr;
    }
}

void QuietWebEngineLog(bool verbose)
{
    if (verbose)
        return;
    // Qt WebEngine's start-up information comes as info messages of its context's category and
    // of the default one, which the program's own messages never use.
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.webenginecontext.info=false\ndefault.info=false"));
    // Spell checking is off in the program's profile, yet Qt WebEngine 6.8 looks for its
    // dictionaries as it starts and warns when their folder is missing: any folder that exists
    // quiets it, and nothing is read from it.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DICTIONARIES_PATH"))
        qputenv("QTWEBENGINE_DICTIONARIES_PATH", "/");
    // Chromium writes its log to standard error itself, from every process; 3 keeps only its
    // fatal errors.
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level") && !flags.contains("--enable-logging")) {
        const QByteArray quiet("--log-level=3");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.isEmpty() ? quiet : flags + ' ' + quiet);
    }
}

// Runs on the user-interface thread (Qt 6), so it can read the on-line state directly.
class BrowserProfile::Interceptor final : public QWebEngineUrlRequestInterceptor
{
public:
    explicit Interceptor(const OnlineState* online) : m_online(online) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (m_online && m_online->isOffline() &&
            !BrowserProfile::reachableOffline(info.requestUrl()))
            info.block(true);
        else if (!BrowserProfile::localRequestAllowed(info.requestUrl(), info.firstPartyUrl(),
                                                      info.resourceType()))
            info.block(true);
    }

private:
    const OnlineState* m_online;
};

BrowserProfile::BrowserProfile(const OnlineState* online, QObject* parent)
    : QObject(parent), m_interceptor(std::make_unique<Interceptor>(online))
{
    m_profile = makeProfile();
}

QWebEngineProfile* BrowserProfile::makeProfile()
{
    // A profile without a storage name is off the record: nothing of the visitors' browsing
    // stays on the kiosk's disk.
    auto* profile = new QWebEngineProfile(this);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    profile->setUrlRequestInterceptor(m_interceptor.get());
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) {
                qCDebug(lcGlasspane) << "download refused" << download->url().toString();
                download->cancel();
            });
    return profile;
}

QWebEngineProfile* BrowserProfile::renew()
{
    // An off-the-record profile keeps its cookies, web storage, HTTP authentication and cache
    // in memory for as long as it lives, and Qt offers no way to empty all of them (storage
    // and authentication least of all): only a new profile starts with nothing.
    QWebEngineProfile* old = std::exchange(m_profile, makeProfile());
    old->setUrlRequestInterceptor(nullptr);
    old->deleteLater();
    return m_profile;
}

BrowserProfile::~BrowserProfile()
{
    m_profile->setUrlRequestInterceptor(nullptr);
}

bool BrowserProfile::reachableOffline(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    static const QStringList network = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("ws"), QStringLiteral("wss"),
                                        QStringLiteral("ftp")};
    if (!network.contains(scheme))
        return true;
    const QString host = url.host();
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") ||
           host == QLatin1String("::1");
}

bool BrowserProfile::localRequestAllowed(const QUrl& url, const QUrl& firstParty, int resourceType)
{
    if (!url.isLocalFile() || resourceType == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return true;
    if (resourceType == QWebEngineUrlRequestInfo::ResourceTypeXhr || !firstParty.isLocalFile())
        return false;
    const QString page = CanonicalForm(firstParty.toLocalFile()).text;
    const QString folder = page.left(page.lastIndexOf(u'/') + 1);
    return !folder.isEmpty() && CanonicalForm(url.toLocalFile()).text.startsWith(folder);
}

} // namespace glasspane
