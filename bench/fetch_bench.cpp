// Downloads a 100 MB page from a server on this machine through the page cache and with the
// curl command-line tool, and times pages answered from the cache while off-line.
#include "document/page_cache.h"
#include "document/update_policy.h"
#include "platform/linux/curl_internet.h"
#include "platform/online_state.h"
#include "support/cache_fixture.h"
#include "support/http_test_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

using namespace glasspane;

namespace {

constexpr qint64 kBodySize = 100LL * 1024 * 1024;
constexpr int kRounds = 3;
constexpr int kCachedCalls = 10'000;

double fetchSeconds(CacheServices& services, const QString& url)
{
    PageEntry entry;
    QElapsedTimer timer;
    timer.start();
    const QString path = FetchPage(services, entry, url, false);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (QFileInfo(path).size() != kBodySize) {
        std::fprintf(stderr, "FetchPage did not fetch the whole body\n");
        return -1;
    }
    QFile::remove(path); // no Last-Modified: fetched again next time anyway
    return seconds;
}

double curlSeconds(const QString& curl, const QString& url, const QString& target)
{
    QElapsedTimer timer;
    timer.start();
    const int code =
        QProcess::execute(curl, {QStringLiteral("-s"), QStringLiteral("-o"), target,
                                 QStringLiteral("--noproxy"), QStringLiteral("*"), url});
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (code != 0 || QFileInfo(target).size() != kBodySize) {
        std::fprintf(stderr, "curl failed (exit code %d)\n", code);
        return -1;
    }
    QFile::remove(target);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CurlGlobal curlGlobal;
    HttpTestServer server;
    OnlineState state;
    CurlInternet internet(state);
    CacheFixture f(&internet);

    server.setPage(QStringLiteral("/big.bin"), QByteArray(kBodySize, 'g'));
    const QString url = server.url(QStringLiteral("/big.bin"));
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));

    // Alternate the two so that neither profits from a warmer machine.
    QList<double> ours;
    QList<double> theirs;
    for (int round = 0; round < kRounds; ++round) {
        ours.append(fetchSeconds(f.services, url));
        if (!curl.isEmpty())
            theirs.append(curlSeconds(curl, url, f.dir.filePath(QStringLiteral("curl.bin"))));
    }
    const double best = *std::min_element(ours.cbegin(), ours.cend());
    std::printf("100 MB through FetchPage:     %.3f s (best of %d)\n", best, kRounds);
    if (!theirs.isEmpty()) {
        const double bestCurl = *std::min_element(theirs.cbegin(), theirs.cend());
        std::printf("100 MB with the curl tool:    %.3f s (best of %d)\n", bestCurl, kRounds);
        std::printf("ratio FetchPage / curl:       %.3f (goal: at most 1.10)\n", best / bestCurl);
    } else {
        std::printf("curl tool not found: no comparison\n");
    }

    // Off-line by policy with a copy in the cache: no network, only the cache's bookkeeping.
    server.setPage(QStringLiteral("/small.html"), "<html>small</html>");
    const QString small = server.url(QStringLiteral("/small.html"));
    PageEntry entry;
    FetchPage(f.services, entry, small, false);
    f.update.UpdateScheme = AlwaysOffline;
    internet.setOffline(true);
    server.clearRequests();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kCachedCalls; ++i)
        FetchPage(f.services, entry, small, false);
    const double cachedSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("%d cached FetchPage calls:  %.3f s (%.1f us each, %d requests)\n", kCachedCalls,
                cachedSeconds, cachedSeconds * 1e6 / kCachedCalls, int(server.requests().size()));
    return 0;
}
