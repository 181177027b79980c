#pragma once

#include "engine/frontend.h"

#include <QAbstractButton>
#include <QPixmap>
#include <QVector>
#include <QWidget>
#include <functional>

namespace glasspane {

// A picture button of a tool bar: it shows one picture at its natural size and takes no
// keyboard focus. Its objectName is the bar's control name followed by its kind
// ("btnToolRun3"); the property "index" holds the kind.
class PictureButton : public QAbstractButton
{
    Q_OBJECT

public:
    PictureButton(const QString& controlName, int index, QWidget* parent);

    int index() const { return m_index; }
    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return m_picture; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // A mouse button went down on the button, or came up again wherever the pointer is then
    // (unlike released(), which a release outside the button does not send).
    void mouseDown();
    void mouseUp();
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_index;
    QPixmap m_picture;
};

// What a tool bar window asks of the program; the tool bar controller fills these in.
struct ToolBarWindowHooks
{
    std::function<bool()> closeAllowed;                  // the program is quitting
    std::function<void(int keyCode, int shift)> keyDown; // HandleKeyDown
    std::function<void()> activity;                      // LastActivity = now
};

// A floating tool bar: a small window of its own above the main window, with a row of picture
// buttons. Locked, it has no caption and no frame and cannot be moved or resized.
class ToolBarWindow : public QWidget
{
    Q_OBJECT

public:
    ToolBarWindow(ToolBar bar, const QString& buttonName, int buttonCount);

    ToolBar bar() const { return m_bar; }
    PictureButton* button(int index) const;
    int buttonCount() const { return int(m_buttons.size()); }
    void setHooks(ToolBarWindowHooks hooks) { m_hooks = std::move(hooks); }

    // Caption and frame per the lock; keeps the window shown when it was.
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }
    // Above every other window, or not.
    void setTopmost(bool topmost);
    bool isTopmost() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The window's key handler, for its own keys and those of controls that pass them on.
    void forwardKey(QKeyEvent* event);
    const ToolBarWindowHooks& hooks() const { return m_hooks; }

private:
    void applyFlags(Qt::WindowFlags flags);

    ToolBar m_bar;
    QVector<PictureButton*> m_buttons;
    ToolBarWindowHooks m_hooks;
    bool m_locked = false;
};

// The screen-saver tool bar: picture buttons btnToolRun0..btnToolRun7.
class frmToolRun : public ToolBarWindow
{
    Q_OBJECT

public:
    frmToolRun();
};

// The key code and shift mask the engine's key handler takes, for a Qt key event; 0 for keys
// it has no code for.
int KeyCodeOf(const QKeyEvent* event);
int ShiftMaskOf(const QKeyEvent* event);

} // namespace glasspane
