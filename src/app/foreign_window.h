#pragma once

#include <QObject>
#include <QSize>
#include <QTimer>
#include <QWidget>

namespace glasspane {

// The size of a window of the X server; invalid when it does not exist. Where the server
// cannot be asked (another platform than xcb), an empty (valid) size.
QSize ForeignWindowSize(quintptr window);

// Makes widget (a top-level widget) a child of the foreign X11 window, filling it, and shows
// it. False when there is no such window (a handle of 0 included).
[[nodiscard]] bool EmbedIntoForeignWindow(QWidget& widget, quintptr foreignWindow);

// Keeps a widget embedded in another program's window the size of that window, and says when
// the window has gone (the program that held it ended or closed it).
class ForeignHost final : public QObject
{
    Q_OBJECT

public:
    ForeignHost(QWidget& widget, quintptr host, int intervalMs = 500);

    quintptr host() const { return m_host; }

Q_SIGNALS:
    void hostClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void check();

    QWidget& m_widget;
    quintptr m_host;
    QTimer m_timer;
};

} // namespace glasspane
