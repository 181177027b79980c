#include "config/tab_header_strip.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace glasspane {

namespace {

// The headers' size in twips and the space left of the first one, at 15 twips a pixel; a
// header grows with its caption when the font needs it.
constexpr int kHeaderWidthTwips = 1187;
constexpr int kHeaderHeightTwips = 315;
constexpr int kLeftTwips = 120;
constexpr int kTwipsPerPixel = 15;

QString withoutMnemonic(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    return caption;
}

} // namespace

TabHeaderStrip::TabHeaderStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tabConfig"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
}

void TabHeaderStrip::setHeaders(const QStringList& captions, const QStringList& toolTips)
{
    m_captions = captions;
    m_toolTips = toolTips;
    updateGeometry();
    update();
}

void TabHeaderStrip::reset()
{
    m_current = 1;
    m_frontRow = 1;
    update();
}

void TabHeaderStrip::selectTab(int n)
{
    if (n < 1 || n > TabCount || n == m_current)
        return;
    m_frontRow = rowOf(n);
    m_current = n;
    update();
}

int TabHeaderStrip::headerTop(int n) const
{
    if (n == m_current)
        return SelectedTop;
    return rowOf(n) == m_frontRow ? FrontRowTop : BackRowTop;
}

int TabHeaderStrip::headerWidth() const
{
    int width = kHeaderWidthTwips / kTwipsPerPixel;
    const QFontMetrics metrics(font());
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    for (const QString& caption : m_captions)
        width = std::max(width, boldMetrics.horizontalAdvance(withoutMnemonic(caption)) + 16);
    return width;
}

int TabHeaderStrip::headerHeight() const
{
    return std::max(kHeaderHeightTwips / kTwipsPerPixel, fontMetrics().height() + 8);
}

int TabHeaderStrip::pixelTop(int n) const
{
    // The rows keep the proportions of the twips layout: the front row right below the back
    // row, the selected header raised by two pixels.
    const int back = BackRowTop / kTwipsPerPixel;
    const int front = back + headerHeight();
    switch (headerTop(n)) {
    case SelectedTop:
        return front - 2;
    case FrontRowTop:
        return front;
    default:
        return back;
    }
}

QRect TabHeaderStrip::headerRect(int n) const
{
    const int k = rowOf(n) == 1 ? n : n - TabsPerRow;
    const int left = kLeftTwips / kTwipsPerPixel + headerWidth() * (k - 1);
    // The raised header is as tall as the others plus the two pixels it stands higher.
    const int height = headerHeight() + (n == m_current ? 2 : 0);
    return QRect(left, pixelTop(n), headerWidth(), height);
}

int TabHeaderStrip::tabAt(const QPoint& point) const
{
    // The selected header first, then the front row: they are drawn over the back row.
    if (headerRect(m_current).contains(point))
        return m_current;
    for (int row : {m_frontRow, 3 - m_frontRow}) {
        for (int k = 1; k <= TabsPerRow; ++k) {
            const int n = row == 1 ? k : k + TabsPerRow;
            if (headerRect(n).contains(point))
                return n;
        }
    }
    return 0;
}

QSize TabHeaderStrip::sizeHint() const
{
    const int width = kLeftTwips / kTwipsPerPixel * 2 + headerWidth() * TabsPerRow;
    const int height = BackRowTop / kTwipsPerPixel + headerHeight() * 2;
    return QSize(width, height);
}

void TabHeaderStrip::paintHeader(QPainter& painter, int n) const
{
    const QRect r = headerRect(n).adjusted(0, 0, -1, 0);
    const bool selected = n == m_current;
    const bool front = rowOf(n) == m_frontRow;
    const QPalette& pal = palette();

    QPainterPath shape;
    const qreal radius = 5;
    shape.moveTo(r.left(), r.bottom() + 1);
    shape.lineTo(r.left(), r.top() + radius);
    shape.quadTo(r.left(), r.top(), r.left() + radius, r.top());
    shape.lineTo(r.right() - radius, r.top());
    shape.quadTo(r.right(), r.top(), r.right(), r.top() + radius);
    shape.lineTo(r.right(), r.bottom() + 1);

    QColor fill = pal.color(QPalette::Button);
    if (selected)
        fill = pal.color(QPalette::Window);
    else if (!front)
        fill = fill.darker(112);
    painter.setPen(QPen(pal.color(QPalette::Mid), 1));
    painter.setBrush(fill);
    painter.drawPath(shape);
    if (selected) {
        // A bar of the highlight colour along the top marks the tab shown.
        painter.fillRect(QRect(r.left() + 3, r.top() + 1, r.width() - 6, 3),
                         pal.color(QPalette::Highlight));
    }

    QFont f = font();
    f.setBold(selected);
    painter.setFont(f);
    painter.setPen(pal.color(front || selected ? QPalette::ButtonText : QPalette::PlaceholderText));
    painter.drawText(r.adjusted(4, 2, -4, 0), Qt::AlignCenter | Qt::TextSingleLine,
                     withoutMnemonic(m_captions.value(n - 1)));
}

void TabHeaderStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int backRow = 3 - m_frontRow;
    for (int row : {backRow, m_frontRow}) {
        for (int k = 1; k <= TabsPerRow; ++k) {
            const int n = row == 1 ? k : k + TabsPerRow;
            if (n != m_current)
                paintHeader(painter, n);
        }
    }
    // The line the pages hang from, broken by the selected header.
    const QRect selected = headerRect(m_current);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    const int y = height() - 1;
    painter.drawLine(0, y, selected.left(), y);
    painter.drawLine(selected.right(), y, width(), y);
    paintHeader(painter, m_current);
}

void TabHeaderStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const int n = tabAt(event->position().toPoint()))
        Q_EMIT tabClicked(n);
}

bool TabHeaderStrip::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int n = tabAt(help->pos());
        if (n > 0 && !m_toolTips.value(n - 1).isEmpty())
            QToolTip::showText(help->globalPos(), m_toolTips.value(n - 1), this, headerRect(n));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace glasspane
