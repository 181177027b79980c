#include "platform/linux/curl_internet.h"

#include "platform/online_state.h"
#include "platform/whole_file.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QThread>
#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <thread>

namespace glasspane {

CurlGlobal::CurlGlobal() : m_ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal()
{
    if (m_ok)
        curl_global_cleanup();
}

// The cancellation handle of one download, shared by the thread that waits and the thread that
// transfers.
struct CurlInternet::Job
{
    std::atomic<bool> cancelled{false};
    std::mutex mutex; // guards multi
    // Why the body could not be written; set by the transfer, read once it has ended.
    QString writeError;
    CURLM* multi = nullptr;

    void cancel()
    {
        cancelled = true;
        std::lock_guard lock(mutex);
        if (multi)
            curl_multi_wakeup(multi);
    }
    void attach(CURLM* m)
    {
        std::lock_guard lock(mutex);
        multi = m;
    }
};

namespace {

struct CurlHandleDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

struct CurlMultiDeleter
{
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

// One download's body on its way to disk.
struct Transfer
{
    CURL* handle = nullptr;
    QString target;
    bool discard = false;
    bool localFile = false;          // file: addresses have no status
    std::unique_ptr<WholeFile> file; // opened with the first byte of a 2xx body
    qint64 bytes = 0;
    qint64 maxBytes = 0;
    bool writeFailed = false;
    QString writeError; // why, when writeFailed
    bool tooLarge = false;
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
    if (t->bytes + qint64(length) > t->maxBytes) {
        t->tooLarge = true;
        return 0; // ends the transfer
    }
    t->bytes += qint64(length);
    if (t->discard || t->target.isEmpty() || length == 0)
        return length;
    if (!t->file) {
        t->file = std::make_unique<WholeFile>(t->target);
        if (!t->file->open()) {
            t->writeFailed = true;
            t->writeError = t->file->errorString();
            return 0;
        }
    }
    if (!t->file->write(data, qint64(length))) {
        t->writeFailed = true;
        t->writeError = t->file->errorString();
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

const QString kEnding = QStringLiteral("cancelled: the program is ending");

DownloadResult abandonedResult(const QString& why)
{
    DownloadResult result;
    result.abandoned = true;
    result.error = why;
    return result;
}

// One request on the multi handle, until it ends or the job is cancelled.
CURLcode performOnce(CURLM* multi, CURL* handle, CurlInternet::Job& job)
{
    if (curl_multi_add_handle(multi, handle) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode code = CURLE_OK;
    for (;;) {
        if (job.cancelled) {
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            code = CURLE_RECV_ERROR;
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == handle)
                    code = message->data.result;
            }
            break;
        }
        // Woken at once by a cancellation.
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    curl_multi_remove_handle(multi, handle);
    return code;
}

struct TransferSettings
{
    QByteArray agent;
    CurlTimeouts timeouts;
    bool offline = false; // the on-line state when the download began
};

// The whole download, redirects included; runs in the download's own thread, where every Qt
// object it makes (the temporary file) also ends.
DownloadResult transferBody(const DownloadRequest& request, const TransferSettings& settings,
                            CurlInternet::Job& job)
{
    using Clock = std::chrono::steady_clock;
    DownloadResult result;
    const int maxSeconds = request.maxSeconds > 0 ? request.maxSeconds : kDefaultDownloadSeconds;
    const qint64 maxBytes = request.maxBytes > 0 ? request.maxBytes : kDefaultDownloadBytes;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(maxSeconds);
    CurlHandle handle(curl_easy_init());
    CurlMulti multi(curl_multi_init());
    if (!handle || !multi) {
        result.error = QStringLiteral("cannot start a transfer");
        return result;
    }
    job.attach(multi.get());
    // Let go of the multi handle before it ends, so that no cancellation wakes it afterwards.
    struct Detach
    {
        CurlInternet::Job& job;
        ~Detach() { job.attach(nullptr); }
    } detach{job};
    CURL* h = handle.get();
    Transfer transfer;
    transfer.handle = h;
    transfer.target = request.targetFile;
    transfer.discard = request.discardBody;
    transfer.maxBytes = maxBytes;
    transfer.localFile =
        QUrl(request.url).scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray noProxy = noProxyList();

    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_USERAGENT, settings.agent.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // Redirects are followed by hand so that each hop obeys the off-line state.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(settings.timeouts.connectMs));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(settings.timeouts.stallSecs));
    // A body announced larger than the bound is refused before it starts.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes));
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
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.error = QStringLiteral("took longer than %1 s").arg(maxSeconds);
            return result;
        }
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(left));
        errorText[0] = '\0';
        const CURLcode code = performOnce(multi.get(), h, job);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        if (transfer.localFile && code == CURLE_OK)
            status = 200;
        result.status = int(status);
        if (code != CURLE_OK) {
            // The unfinished temporary file is discarded with the transfer.
            if (job.cancelled) {
                result.abandoned = true;
                result.error = kEnding;
            } else if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
                result.error = QStringLiteral("larger than %1 bytes").arg(maxBytes);
            } else if (transfer.writeFailed) {
                result.writeFailed = true;
                job.writeError = transfer.writeError;
                result.error = QStringLiteral("cannot write %1 (%2)")
                                   .arg(request.targetFile, transfer.writeError);
            } else if (code == CURLE_OPERATION_TIMEDOUT &&
                       // (libcurl's clock may end the transfer a hair before ours)
                       Clock::now() + std::chrono::milliseconds(100) >= deadline) {
                result.error = QStringLiteral("took longer than %1 s").arg(maxSeconds);
            } else {
                result.error = errorText[0] ? QString::fromLocal8Bit(errorText)
                                            : QString::fromLatin1(curl_easy_strerror(code));
            }
            return result;
        }
        char* location = nullptr;
        if (status < 300 || status > 399 || status == 304 ||
            curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || !location)
            break;
        const QString next = QString::fromUtf8(location);
        if (hop >= settings.timeouts.maxRedirects) {
            result.error = QStringLiteral("too many redirects");
            return result;
        }
        if (!isWebScheme(next)) {
            result.error = QStringLiteral("redirect to an unsupported address");
            return result;
        }
        if (settings.offline && !isLocalAddress(next)) {
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
        result.writeFailed = true;
        job.writeError = transfer.file->errorString();
        result.error =
            QStringLiteral("cannot write %1 (%2)").arg(request.targetFile, job.writeError);
        return result;
    }
    result.ok = true;
    return result;
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

void CurlInternet::setClosing(bool closing)
{
    m_closing = closing;
    if (!closing)
        return;
    std::lock_guard lock(m_mutex);
    if (m_current)
        m_current->cancel();
}

DownloadResult CurlInternet::download(const DownloadRequest& request)
{
    const bool offline = isOffline();
    if (offline && !isLocalAddress(request.url)) {
        DownloadResult result;
        result.error = QStringLiteral("offline");
        return result;
    }
    auto job = std::make_shared<Job>();
    {
        std::lock_guard lock(m_mutex);
        if (m_closing)
            return abandonedResult(kEnding);
        if (m_current)
            return abandonedResult(QStringLiteral("another download is in progress"));
        m_current = job;
    }

    const TransferSettings settings{m_agent, m_timeouts, offline};
    QCoreApplication* app = QCoreApplication::instance();
    // The application's thread goes on with its events; any other thread simply waits.
    std::optional<QEventLoop> loop;
    if (app && QThread::currentThread() == app->thread())
        loop.emplace();
    DownloadResult result;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = transferBody(request, settings, *job);
        finished = true;
        if (loop)
            QMetaObject::invokeMethod(&*loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The loop also ends early when the application quits (and at once once it has): the
    // transfer is then cut, as the program is ending.
    if (loop)
        loop->exec();
    if (!finished)
        job->cancel();
    worker.join();
    {
        std::lock_guard lock(m_mutex);
        m_current.reset();
    }
    if (result.writeFailed)
        m_writeFaults.failed(request.targetFile, job->writeError,
                             QStringLiteral("the copy held before stays"));
    else if (result.ok && !request.targetFile.isEmpty())
        m_writeFaults.written(request.targetFile);
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
