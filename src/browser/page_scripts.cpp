#include "browser/page_scripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <memory>

namespace glasspane {

namespace {

constexpr quint32 kWorld = QWebEngineScript::ApplicationWorld;

// The scrolling element is the viewport's in both standards and quirks mode, so its client
// height is the window's visible height and its scroll height the document's.
const char kMeasureScript[] = R"((function () {
    var b = document.body;
    if (!b) return null;
    var s = document.scrollingElement || document.documentElement;
    return [Math.max(s.scrollHeight, b.scrollHeight), s.clientHeight];
})())";

const char kScrollScript[] = R"((function (v) {
    var e = document.documentElement;
    if (!e) return;
    if (window.__glasspaneOverflowY === undefined) window.__glasspaneOverflowY = e.style.overflowY;
    e.style.overflowY = (v === 'no') ? 'hidden' : window.__glasspaneOverflowY;
})(%1))";

// The second frame sets the mark that the poll reads.
const char kPaintMarkScript[] = R"((function () {
    window.__glasspanePainted = false;
    requestAnimationFrame(function () {
        requestAnimationFrame(function () { window.__glasspanePainted = true; });
    });
})())";
const char kPaintPollScript[] = "window.__glasspanePainted === true";

const char kPutBackScript[] = R"((function (u) {
    try { history.replaceState(history.state, '', u); }
    catch (e) { try { history.replaceState(null, '', u); } catch (e2) {} }
})(%1))";

// A picture, video or sound opened by its own address fills the window on black, as a page of
// the show does; a video shows no controls a visitor could use.
const char kMediaPageScript[] = R"((function () {
    if (!/^(image|video|audio)\//.test(document.contentType || '')) return;
    var style = document.createElement('style');
    style.textContent = 'html, body { margin: 0 !important; width: 100%; height: 100%;' +
        ' background: #000 !important; overflow: hidden; }' +
        ' body > img, body > video { position: fixed !important; left: 0 !important;' +
        ' top: 0 !important; width: 100vw !important; height: 100vh !important;' +
        ' max-width: none !important; max-height: none !important; margin: 0 !important;' +
        ' object-fit: contain; background: transparent !important; cursor: default; }';
    (document.head || document.documentElement).appendChild(style);
    var video = document.querySelector('body > video');
    if (video) video.controls = false;
})())";

// How long a measure may take before the document completes without one.
constexpr int kMeasureTimeoutMs = 3000;

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

namespace {

// Runs a script of the program's in the page: done has its value, or an invalid one when none
// came in time, whichever comes first, and only once; nothing once context is gone.
void runOnce(QWebEnginePage& page, const QString& script, QObject* context,
             std::function<void(const QVariant&)> done)
{
    auto pending = std::make_shared<std::function<void(const QVariant&)>>(std::move(done));
    page.runJavaScript(script, kWorld,
                       [guard = QPointer<QObject>(context), pending](const QVariant& value) {
                           if (guard && *pending)
                               std::exchange(*pending, nullptr)(value);
                       });
    QTimer::singleShot(kMeasureTimeoutMs, context, [pending] {
        if (*pending)
            std::exchange(*pending, nullptr)(QVariant());
    });
}

} // namespace

void MeasureBody(QWebEnginePage& page, QObject* context,
                 std::function<void(const BodyMetrics&)> done)
{
    runOnce(page, QString::fromLatin1(kMeasureScript), context,
            [done = std::move(done)](const QVariant& value) { done(metricsFrom(value)); });
}

void AskDocumentType(QWebEnginePage& page, QObject* context,
                     std::function<void(const QString& type, const QUrl& location)> answer)
{
    runOnce(page, QStringLiteral("[document.contentType, location.href]"), context,
            [answer = std::move(answer)](const QVariant& value) {
                const QVariantList list = value.toList();
                answer(list.value(0).toString(), QUrl(list.value(1).toString()));
            });
}

void AddMediaPageStyle(QWebEnginePage& page)
{
    QWebEngineScript script;
    script.setName(QStringLiteral("glasspane-media-page"));
    script.setSourceCode(QString::fromLatin1(kMediaPageScript));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(kWorld);
    script.setRunsOnSubFrames(false);
    page.scripts().insert(script);
}

void SetBodyScroll(QWebEnginePage& page, const QString& scroll)
{
    const QString value = scroll.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("'no'")
                              : QStringLiteral("''");
    page.runJavaScript(QString::fromLatin1(kScrollScript).arg(value), kWorld);
}

void PutBackAddress(QWebEnginePage& page, const QUrl& url)
{
    const QString address = QString::fromUtf8(
        QJsonDocument(QJsonArray{url.toString(QUrl::FullyEncoded)}).toJson(QJsonDocument::Compact));
    page.runJavaScript(QString::fromLatin1(kPutBackScript).arg(address), kWorld);
}

void AskAlive(QWebEnginePage& page, QObject* context, std::function<void()> answered)
{
    page.runJavaScript(QStringLiteral("1"), kWorld,
                       [guard = QPointer<QObject>(context), answered](const QVariant&) {
                           if (guard)
                               answered();
                       });
}

void MarkPaint(QWebEnginePage& page)
{
    page.runJavaScript(QString::fromLatin1(kPaintMarkScript), kWorld);
}

void PaintMarked(QWebEnginePage& page, const std::function<void(bool painted)>& answer)
{
    page.runJavaScript(QString::fromLatin1(kPaintPollScript), kWorld,
                       [answer](const QVariant& painted) { answer(painted.toBool()); });
}

} // namespace glasspane
