#include "browser/curtain.h"

#include "browser/page_scripts.h"

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWebEngineView>

namespace glasspane {

namespace {

// Once the page has painted (the engine's own word), this long more for the frame to reach the
// screen.
constexpr int kCurtainLiftMs = 60;

} // namespace

bool ShowsSomething(const QImage& picture, bool detail)
{
    if (picture.isNull())
        return false;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb plain = detail ? image.pixel(0, 0) & 0xffffff : 0xffffff;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xffffff) != plain)
                return true;
        }
    }
    return false;
}

Curtain::Curtain(QWebEngineView& view, QWidget* parentWidget)
    : m_view(view), m_label(new QLabel(parentWidget))
{
    m_label->setObjectName(QStringLiteral("curtain"));
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->setAutoFillBackground(true);
    QPalette black = m_label->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_label->setPalette(black);
    m_label->setScaledContents(true);
    m_label->hide();
}

bool Curtain::isVisible() const
{
    return m_label->isVisible();
}

void Curtain::raise(bool pageWorthKeeping)
{
    if (!m_label->isVisible()) {
        // A view never shown, or hidden with its window, has nothing worth keeping, and black
        // is better than white.
        QPixmap picture;
        if (pageWorthKeeping && m_view.isVisible())
            picture = m_view.grab();
        m_label->setPixmap(picture);
        if (picture.isNull())
            m_label->clear();
    }
    m_label->setGeometry(m_view.geometry());
    m_label->show();
    m_label->raise();
}

void Curtain::lower()
{
    m_label->hide();
    m_label->clear();
}

bool Curtain::coverResize()
{
    if (m_label->isVisible())
        return false;
    m_label->setPixmap(m_lastPicture);
    if (m_lastPicture.isNull())
        m_label->clear();
    m_label->show();
    m_label->raise();
    return true;
}

void Curtain::followView()
{
    if (m_label->isVisible())
        m_label->setGeometry(m_view.geometry());
}

void Curtain::liftWhenPainted(std::function<bool()> stillWanted, std::function<void()> lifted,
                              const QImage& unlike, bool settles)
{
    MarkPaint(*m_view.page());
    m_viewerPicture = QImage();
    m_viewerHeld = 0;
    m_viewerSettles = settles;
    auto lift = [this, stillWanted, lifted] {
        QTimer::singleShot(kCurtainLiftMs, this, [this, stillWanted, lifted] {
            if (!stillWanted())
                return;
            lower();
            lifted();
            if (m_view.isVisible())
                m_lastPicture = m_view.grab();
        });
    };
    QTimer::singleShot(kPaintPollMs, this, [this, unlike, stillWanted, lift] {
        poll(kPaintPollMs, unlike, stillWanted, lift);
    });
}

bool Curtain::seen(const QImage& unlike)
{
    if (!m_view.isVisible())
        return true;
    const QImage picture = m_view.grab().toImage();
    if (unlike.isNull())
        return ShowsSomething(picture);
    if (!m_viewerSettles)
        return ShowsSomething(picture, true) && picture != unlike;
    if (!ShowsSomething(picture, true) || picture == unlike || picture != m_viewerPicture) {
        m_viewerPicture = picture;
        m_viewerHeld = 0;
        return false;
    }
    return ++m_viewerHeld * kPaintPollMs >= kViewerSettledMs;
}

void Curtain::poll(int waited, const QImage& unlike, const std::function<bool()>& stillWanted,
                   const std::function<void()>& lift)
{
    // Each poll asks the page and, while it has not painted, plans the next one; the chain ends
    // with the lift, with a newer load, or with the wait given up.
    if (!stillWanted())
        return;
    if (waited > (unlike.isNull() ? kPaintWaitMs : kViewerWaitMs)) {
        lift();
        return;
    }
    PaintMarked(*m_view.page(), [self = QPointer<Curtain>(this), waited, unlike, stillWanted,
                                 lift](bool painted) {
        if (!self)
            return;
        // Painted by the page, and seen by the view (a page that is all white
        // passes only once the wait is over).
        if (painted && self->seen(unlike))
            lift();
        else
            QTimer::singleShot(kPaintPollMs, self, [self, waited, unlike, stillWanted, lift] {
                self->poll(waited + kPaintPollMs, unlike, stillWanted, lift);
            });
    });
}

} // namespace glasspane
