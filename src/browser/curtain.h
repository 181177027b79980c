#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <functional>

class QLabel;
class QWebEngineView;
class QWidget;

namespace glasspane {

// How often a page is asked whether it has painted, and how long it gets: a page that paints
// nothing, or nothing but white, is uncovered after that.
inline constexpr int kPaintPollMs = 40;
inline constexpr int kPaintWaitMs = 2500;
// A page drawn by a viewer of its own (the PDF viewer) draws in steps, its frame and bar well
// before the document: it is waited for longer, until its picture has held this long.
inline constexpr int kViewerWaitMs = 10000;
inline constexpr int kViewerSettledMs = 800;

// Whether a picture of a view holds anything but white: a view shows white until the engine's
// first frame for its present size has reached it, whatever the page has painted. (A page that
// is white all over is told apart only by the wait running out.) With detail: anything but one
// colour, for a page whose own first frame is plain (the PDF viewer's, before it has drawn).
bool ShowsSomething(const QImage& picture, bool detail = false);

// A picture over a view (objectName "curtain", a sibling above it): the page that was there
// before, or black, so that neither the white of a page that has not painted yet nor a
// server's error page is ever seen.
class Curtain final : public QObject
{
    Q_OBJECT

public:
    // The curtain is made a child of parentWidget, beside view.
    Curtain(QWebEngineView& view, QWidget* parentWidget);

    QLabel* label() const { return m_label; }
    bool isVisible() const;

    // Covers the view: with what it shows when that is a page worth keeping (pageWorthKeeping
    // and the view is on screen), else black. A curtain already down keeps its picture.
    void raise(bool pageWorthKeeping);
    void lower();
    // The view is about to show another size (white until the engine painted it again): covered
    // with the last picture of a page meanwhile. False when the curtain was down already.
    bool coverResize();
    // Keeps a curtain that is down over the view where it moved.
    void followView();
    // Lifts once the view's page has painted two frames and the view shows them (or the wait
    // ran out). stillWanted is asked before each step: false ends the wait and the curtain
    // stays. lifted runs once the curtain is up; the picture then taken is the one a resize
    // shows. With a picture in unlike (a page drawn by a viewer of its own, after its first
    // frame: the PDF viewer), the view must show more than one colour, and not that picture.
    // settles: the picture must also have held a while (a viewer that draws in steps; not a
    // video, whose picture moves).
    void liftWhenPainted(std::function<bool()> stillWanted, std::function<void()> lifted,
                         const QImage& unlike = QImage(), bool settles = true);

private:
    // Whether the view shows the page (see liftWhenPainted).
    bool seen(const QImage& unlike);
    void poll(int waited, const QImage& unlike, const std::function<bool()>& stillWanted,
              const std::function<void()>& lift);

    QWebEngineView& m_view;
    QLabel* m_label;
    QPixmap m_lastPicture; // of the last page that was lifted to, as it was painted
    // A viewer's picture at the last poll, and for how many polls it has held.
    QImage m_viewerPicture;
    int m_viewerHeld = 0;
    bool m_viewerSettles = true;
};

} // namespace glasspane
