#include "fake_internet.h"

#include <QSaveFile>
#include <algorithm>

namespace glasspane {

int FakeInternet::networkCalls() const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [](const Recorded& r) { return !r.blockedOffline; }));
}

int FakeInternet::requestCount(const QString& url) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&](const Recorded& r) { return r.request.url == url; }));
}

DownloadResult FakeInternet::download(const DownloadRequest& request)
{
    DownloadResult result;
    const bool blocked = isOffline() && !isLocalAddress(request.url);
    m_requests.append({request, blocked});
    if (whileDownloading)
        whileDownloading(request);
    if (m_closing) {
        result.abandoned = true;
        result.error = QStringLiteral("cancelled: the program is ending");
        return result;
    }
    if (blocked) {
        result.error = QStringLiteral("offline");
        return result;
    }
    const auto it = m_responses.constFind(request.url);
    if (it == m_responses.cend() || it->fail) {
        result.error = QStringLiteral("could not connect");
        return result;
    }
    const Response& r = *it;
    result.status = r.status;
    result.lastModified = r.lastModified;
    if (r.status < 200 || r.status > 299) {
        result.error = QStringLiteral("HTTP status %1").arg(r.status);
        return result;
    }
    if (r.honourIfModifiedSince && request.ifModifiedSince.isValid() &&
        r.lastModified.isValid()
        // HTTP dates carry whole seconds.
        && r.lastModified.toSecsSinceEpoch() <= request.ifModifiedSince.toSecsSinceEpoch()) {
        result.ok = true;
        result.status = 304;
        result.notModified = true;
        return result;
    }
    result.bytes = r.body.size();
    result.contentType = r.contentType;
    if (!request.discardBody && !request.targetFile.isEmpty() && !r.body.isEmpty()) {
        QSaveFile file(request.targetFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(r.body) != r.body.size() ||
            !file.commit()) {
            result.error = QStringLiteral("cannot write %1").arg(request.targetFile);
            return result;
        }
    }
    result.ok = true;
    return result;
}

} // namespace glasspane
