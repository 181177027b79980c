// What a page may reach: a local page (the built-in help, a cached copy, the administrator's
// own file) shows its own pictures and frames but reads no other local file and sends no
// script request to the network; no address runs script in the page on screen.

#include "browser/web_browser.h"
#include "browser/web_engine_setup.h"
#include "browser/webengine_test_main.h"
#include "support/http_test_server.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QWebEngineView>

using namespace glasspane;

namespace {

class CompletionCounter final : public BrowserEvents
{
public:
    void BeforeNavigate2(const QString&, bool, bool&) override {}
    void NewWindow2(NewWindowTarget&) override {}
    void NavigateComplete2(const QString&, bool) override {}
    void DocumentComplete(const QString&, bool topLevel) override { completions += topLevel; }
    int completions = 0;
};

// The page writes into its title what each attempt gave once all have ended: "ok" for an
// attempt that read the secret, "no" for one that did not. The secrets lie beside the page's
// folder; its own picture and frame lie in it.
const char kProbePage[] = R"(<!DOCTYPE html><html><head><title>running</title></head><body>
<img id="pic" src="pic.gif">
<iframe id="frame" src="../other.html"></iframe>
<iframe id="own" src="own.html"></iframe>
<script>
var results = {};
var names = ['xhr', 'ownXhr', 'fetch', 'frame', 'network', 'own', 'picture'];
function report(name, value) {
  results[name] = value;
  if (Object.keys(results).length == names.length)
    document.title = names.map(function (k) { return k + '=' + results[k]; }).join(' ');
}
function got(text) { return text && text.indexOf('SECRET') >= 0 ? 'ok' : 'no'; }
function read(name, path) {
  try {
    var x = new XMLHttpRequest();
    x.open('GET', path, false);
    x.send();
    report(name, got(x.responseText));
  } catch (e) { report(name, 'no'); }
}
read('xhr', '../secret.txt');
read('ownXhr', 'own.html');
fetch('../secret.txt').then(function (r) { return r.text(); })
  .then(function (t) { report('fetch', got(t)); }, function () { report('fetch', 'no'); });
fetch('%1', {mode: 'no-cors'}).then(function () { report('network', 'ok'); },
                                   function () { report('network', 'no'); });
function frameText(id) {
  try { return got(document.getElementById(id).contentDocument.body.textContent); }
  catch (e) { return 'no'; }
}
window.onload = function () {
  report('frame', frameText('frame'));
  report('own', frameText('own'));
  report('picture', document.getElementById('pic').naturalWidth);
};
</script></body></html>)";

// A 1x1 GIF.
const QByteArray kGif =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");

} // namespace

class KioskPageTest : public QObject
{
    Q_OBJECT

private:
    HttpTestServer m_server;
    std::unique_ptr<BrowserProfile> m_profile;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<WebBrowser> m_browser;
    CompletionCounter m_events;

    QVariant evaluate(const QString& script)
    {
        QVariant result;
        bool done = false;
        m_browser->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 10000); }();
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server.setPage(QStringLiteral("/exfil"), "x");
        m_profile = std::make_unique<BrowserProfile>(nullptr);
        m_window = std::make_unique<QWidget>();
        m_window->resize(800, 600);
        m_browser = std::make_unique<WebBrowser>(m_profile->profile(), m_window.get());
        m_browser->view()->resize(800, 600);
        m_browser->setListener(&m_events);
        m_window->show();
    }
    void cleanupTestCase()
    {
        m_browser.reset();
        m_window.reset();
        m_profile.reset();
    }

    void localPageReadsNoOtherFile()
    {
        QTemporaryDir dir;
        QVERIFY(writeFileBytes(dir.filePath("secret.txt"), "SECRET"));
        QVERIFY(writeFileBytes(dir.filePath("other.html"), "<html><body>SECRET</body></html>"));
        QVERIFY(writeFileBytes(dir.filePath("page/own.html"), "<html><body>SECRET</body></html>"));
        QVERIFY(writeFileBytes(dir.filePath("page/pic.gif"), kGif));
        QVERIFY(writeFileBytes(
            dir.filePath("page/probe.html"),
            QString::fromLatin1(kProbePage).arg(m_server.url(QStringLiteral("/exfil"))).toUtf8()));
        const int before = m_events.completions;
        m_browser->Navigate(dir.filePath("page/probe.html"));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.completions > before, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->page()->title() != QLatin1String("running"), 15000);
        // Its own picture and frame show; no script reads a file, nothing reaches the network.
        QCOMPARE(m_browser->page()->title(),
                 QStringLiteral("xhr=no ownXhr=no fetch=no frame=no network=no own=ok picture=1"));
        QCOMPARE(m_server.requestCount(QStringLiteral("/exfil")), 0);
    }
};

GLASSPANE_WEBENGINE_TEST_MAIN(KioskPageTest)
#include "kiosk_page_test.moc"
