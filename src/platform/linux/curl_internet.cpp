#include "platform/linux/curl_internet.h"

#include "platform/online_state.h"

#include <QCoreApplication>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QSaveFile>
#include <curl/curl.h>
#include <memory>

namespace glasspane {

CurlGlobal::CurlGlobal() : m_ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal()
{
    if (m_ok)
        curl_global_cleanup();
}

namespace {

struct CurlHandleDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

// One download's body on its way to disk.
struct Transfer
{
    CURL* handle = nullptr;
    QString target;
    bool discard = false;
    bool localFile = false;          // file: addresses have no status
    std::unique_ptr<QSaveFile> file; // opened with the first byte of a 2xx body
    qint64 bytes = 0;
    bool writeFailed = false;
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t length = size * count;
    long status = 200;
    if (!t->localFile)
        curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return length; // the body of a redirect or an error page: not wanted
    t->bytes += qint64(length);
    if (t->discard || t->target.isEmpty() || length == 0)
        return length;
    if (!t->file) {
        t->file = std::make_unique<QSaveFile>(t->target);
        if (!t->file->open(QIODevice::WriteOnly)) {
            t->writeFailed = true;
            return 0; // ends the transfer
        }
    }
    if (t->file->write(data, qint64(length)) != qint64(length)) {
        t->writeFailed = true;
        return 0;
    }
    return length;
}

bool isWebScheme(const QString& url)
{
    const QString scheme = QUrl(url).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QByteArray noProxyList()
{
    QByteArray list = qgetenv("no_proxy");
    if (list.isEmpty())
        list = qgetenv("NO_PROXY");
    // This machine is never reached through a proxy.
    if (!list.isEmpty())
        list += ',';
    return list + "127.0.0.1,localhost,::1";
}

} // namespace

CurlInternet::CurlInternet(OnlineState& state, Timeouts timeouts)
    : m_state(state), m_timeouts(timeouts),
      m_agent(QByteArrayLiteral("Glasspane ") + QByteArray::number(GLASSPANE_VERSION_MAJOR) + '.' +
              QByteArray::number(GLASSPANE_VERSION_MINOR) + " (https://glasspane.example/)")
{}

CurlInternet::~CurlInternet() = default;

bool CurlInternet::isOffline() const
{
    return m_state.isOffline();
}

void CurlInternet::setOffline(bool offline)
{
    m_state.setOffline(offline);
}

DownloadResult CurlInternet::download(const DownloadRequest& request)
{
    DownloadResult result;
    if (isOffline() && !isLocalAddress(request.url)) {
        result.error = QStringLiteral("offline");
        return result;
    }
    CurlHandle handle(curl_easy_init());
    if (!handle) {
        result.error = QStringLiteral("cannot start a transfer");
        return result;
    }
    CURL* h = handle.get();
    Transfer transfer;
    transfer.handle = h;
    transfer.target = request.targetFile;
    transfer.discard = request.discardBody;
    transfer.localFile =
        QUrl(request.url).scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray noProxy = noProxyList();

    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_USERAGENT, m_agent.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // Redirects are followed by hand so that each hop obeys the off-line state.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(m_timeouts.connectMs));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(m_timeouts.stallSecs));
    curl_easy_setopt(h, CURLOPT_FILETIME, 1L);
    // Large pages and documents arrive in fewer, larger pieces, as with the curl tool.
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    if (request.ifModifiedSince.isValid()) {
        curl_easy_setopt(h, CURLOPT_TIMECONDITION, long(CURL_TIMECOND_IFMODSINCE));
        curl_easy_setopt(h, CURLOPT_TIMEVALUE_LARGE,
                         curl_off_t(request.ifModifiedSince.toSecsSinceEpoch()));
    }

    QByteArray url = request.url.toUtf8();
    long status = 0;
    for (int hop = 0;; ++hop) {
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        errorText[0] = '\0';
        const CURLcode code = curl_easy_perform(h);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        if (transfer.localFile && code == CURLE_OK)
            status = 200;
        result.status = int(status);
        if (code != CURLE_OK) {
            result.error = transfer.writeFailed
                               ? QStringLiteral("cannot write %1").arg(request.targetFile)
                           : errorText[0] ? QString::fromLocal8Bit(errorText)
                                          : QString::fromLatin1(curl_easy_strerror(code));
            return result; // the unfinished temporary file is discarded
        }
        char* location = nullptr;
        if (status < 300 || status > 399 || status == 304 ||
            curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || !location)
            break;
        const QString next = QString::fromUtf8(location);
        if (hop >= m_timeouts.maxRedirects) {
            result.error = QStringLiteral("too many redirects");
            return result;
        }
        if (!isWebScheme(next)) {
            result.error = QStringLiteral("redirect to an unsupported address");
            return result;
        }
        if (isOffline() && !isLocalAddress(next)) {
            result.error = QStringLiteral("offline");
            return result;
        }
        url = next.toUtf8();
    }

    curl_off_t fileTime = -1;
    if (curl_easy_getinfo(h, CURLINFO_FILETIME_T, &fileTime) == CURLE_OK && fileTime >= 0)
        result.lastModified = QDateTime::fromSecsSinceEpoch(qint64(fileTime));
    long unmet = 0;
    curl_easy_getinfo(h, CURLINFO_CONDITION_UNMET, &unmet);
    // A server that ignores If-Modified-Since still gets its older copy refused by libcurl,
    // which then skips the body.
    if (status == 304 || (unmet && status >= 200 && status <= 299)) {
        result.ok = true;
        result.notModified = true;
        return result;
    }
    if (status < 200 || status > 299) {
        result.error = QStringLiteral("HTTP status %1").arg(status);
        return result;
    }
    result.bytes = transfer.bytes;
    char* contentType = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        result.contentType = QString::fromLatin1(contentType);
    if (transfer.file && !transfer.file->commit()) {
        result.error = QStringLiteral("cannot write %1").arg(request.targetFile);
        return result;
    }
    result.ok = true;
    return result;
}

int CurlInternet::connectedState()
{
    if (!m_networkInformationTried) {
        m_networkInformationTried = true;
        if (QCoreApplication::instance())
            QNetworkInformation::loadDefaultBackend();
    }
    if (const QNetworkInformation* info = QNetworkInformation::instance()) {
        switch (info->reachability()) {
        case QNetworkInformation::Reachability::Disconnected:
            return 0;
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Online:
            return ConnectionFlag::Lan;
        case QNetworkInformation::Reachability::Unknown:
            break;
        }
    }
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            return ConnectionFlag::Lan;
    }
    return 0;
}

} // namespace glasspane
