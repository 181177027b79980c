#pragma once

#include "platform/browser.h"

#include <QString>
#include <QUrl>
#include <functional>

class QObject;
class QWebEnginePage;

namespace glasspane {

// The program's scripts in a page, run in the application's own script world, out of reach of
// the page's scripts.

// Measures the body of the page's document; done runs once, with the answer or, when none
// came in time, with an empty measure. Nothing runs once context is gone.
void MeasureBody(QWebEnginePage& page, QObject* context,
                 std::function<void(const BodyMetrics&)> done);
// A picture, video or sound opened by its own address (the engine's own page for it) fills
// the page's view, on black, without controls: for every document the page loads from now on.
void AddMediaPageStyle(QWebEnginePage& page);
// The type and address of the page's document; answer runs once, with "" and an empty address
// when no answer came in time. Nothing runs once context is gone.
void AskDocumentType(QWebEnginePage& page, QObject* context,
                     std::function<void(const QString& type, const QUrl& location)> answer);
// "no" hides the viewport's vertical scroll bar; "" puts back what the page had.
void SetBodyScroll(QWebEnginePage& page, const QString& scroll);
// Puts an address back on the document's present history entry, keeping the page's state.
void PutBackAddress(QWebEnginePage& page, const QUrl& url);
// Asks the page's renderer for a sign of life: answered runs when it comes (never once context
// is gone).
void AskAlive(QWebEnginePage& page, QObject* context, std::function<void()> answered);
// Asks the page for two frames; PaintMarked then says whether the second one has come.
void MarkPaint(QWebEnginePage& page);
void PaintMarked(QWebEnginePage& page, const std::function<void(bool painted)>& answer);

} // namespace glasspane
