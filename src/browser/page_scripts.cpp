#include "browser/page_scripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
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

void MeasureBody(QWebEnginePage& page, QObject* context,
                 std::function<void(const BodyMetrics&)> done)
{
    // Either the answer or the time-out, whichever comes first, and only once.
    auto pending = std::make_shared<std::function<void(const BodyMetrics&)>>(std::move(done));
    page.runJavaScript(QString::fromLatin1(kMeasureScript), kWorld,
                       [guard = QPointer<QObject>(context), pending](const QVariant& value) {
                           if (!guard || !*pending)
                               return;
                           auto call = std::exchange(*pending, nullptr);
                           call(metricsFrom(value));
                       });
    QTimer::singleShot(kMeasureTimeoutMs, context, [pending] {
        if (!*pending)
            return;
        auto call = std::exchange(*pending, nullptr);
        call(BodyMetrics{});
    });
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
