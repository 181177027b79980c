#include "app/foreign_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define GLASSPANE_HAVE_XCB 1
#endif

namespace glasspane {

namespace {

#ifdef GLASSPANE_HAVE_XCB
xcb_connection_t* x11Connection()
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
#endif

} // namespace

QSize ForeignWindowSize(quintptr window)
{
#ifdef GLASSPANE_HAVE_XCB
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return QSize(0, 0);
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(
        connection, xcb_get_geometry(connection, xcb_drawable_t(window)), &error);
    const QSize size = reply ? QSize(reply->width, reply->height) : QSize();
    free(reply);
    free(error);
    return size;
#else
    Q_UNUSED(window);
    return QSize(0, 0);
#endif
}

bool EmbedIntoForeignWindow(QWidget& widget, quintptr foreignWindow)
{
    if (foreignWindow == 0)
        return false;
    const QSize size = ForeignWindowSize(foreignWindow);
    if (!size.isValid())
        return false;
    QWindow* host = QWindow::fromWinId(WId(foreignWindow));
    if (!host)
        return false;
    host->setParent(nullptr);
    // The native window must exist before it can be given a parent of another program.
    widget.winId();
    widget.windowHandle()->setParent(host);
    if (!size.isEmpty())
        widget.setGeometry(0, 0, size.width(), size.height());
    widget.show();
    return true;
}

ForeignHost::ForeignHost(QWidget& widget, quintptr host, int intervalMs)
    : QObject(&widget), m_widget(widget), m_host(host), m_timer(this)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ForeignHost::check);
    m_timer.start();
    // Whatever moves or resizes the widget (a show going full screen), it fills its host again.
    widget.installEventFilter(this);
}

bool ForeignHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_widget && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        QTimer::singleShot(0, this, &ForeignHost::check);
    return false;
}

void ForeignHost::check()
{
    if (m_host == 0)
        return;
    const QSize size = ForeignWindowSize(m_host);
    if (!size.isValid()) {
        m_host = 0;
        m_timer.stop();
        Q_EMIT hostClosed();
        return;
    }
    if (!size.isEmpty() && m_widget.geometry() != QRect(QPoint(0, 0), size))
        m_widget.setGeometry(0, 0, size.width(), size.height());
}

} // namespace glasspane
