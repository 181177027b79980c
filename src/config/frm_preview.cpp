#include "config/frm_preview.h"

#include <QLinearGradient>
#include <QPainter>

namespace glasspane {

frmPreview::frmPreview(QWidget* parent) : QWidget(parent), m_tim(this)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Preview"));
    m_tim.setObjectName(QStringLiteral("tim"));
    m_tim.setInterval(1000);
    connect(&m_tim, &QTimer::timeout, this, &frmPreview::tim_Timer);
    m_tim.start();
}

void frmPreview::tim_Timer()
{
    m_frame = m_frame % FrameCount + 1;
    update();
}

void frmPreview::paintEvent(QPaintEvent*)
{
    // A pane of glass catching the light: the highlight sweeps across in four steps.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, QColor(0x1f, 0x4e, 0x9a));
    sky.setColorAt(1, QColor(0x0b, 0x1d, 0x3a));
    painter.fillRect(area, sky);

    const QRectF pane = area.adjusted(area.width() * 0.15, area.height() * 0.15,
                                      -area.width() * 0.15, -area.height() * 0.15);
    painter.setPen(QPen(QColor(220, 235, 255), 2));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRoundedRect(pane, 4, 4);

    const qreal step = pane.width() / FrameCount;
    const qreal x = pane.left() + step * (m_frame - 1);
    QLinearGradient shine(QPointF(x, 0), QPointF(x + step, 0));
    shine.setColorAt(0, QColor(255, 255, 255, 0));
    shine.setColorAt(0.5, QColor(255, 255, 255, 150));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(x, pane.top(), step, pane.height()), shine);

    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(qMax(8, int(area.height() / 8)));
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pane, Qt::AlignCenter, QStringLiteral("Glasspane"));
}

} // namespace glasspane
