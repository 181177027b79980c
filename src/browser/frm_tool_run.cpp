#include "browser/frm_tool_run.h"

#include "document/document.h"
#include "engine/engine.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace glasspane {

// ---- PictureButton -----------------------------------------------------------------------------

PictureButton::PictureButton(const QString& controlName, int index, QWidget* parent)
    : QAbstractButton(parent), m_index(index)
{
    setObjectName(controlName + QString::number(index));
    setProperty("index", index);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    resize(sizeHint());
    update();
}

QSize PictureButton::sizeHint() const
{
    return m_picture.isNull() ? QSize(0, 0) : m_picture.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture);
}

void PictureButton::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mouseDown();
    QAbstractButton::mousePressEvent(event);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT mouseUp();
    QAbstractButton::mouseReleaseEvent(event);
}

void PictureButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    Q_EMIT mouseMoved();
}

// ---- ToolBarWindow -----------------------------------------------------------------------------

namespace {

// The short product name in the caption of an unlocked bar.
constexpr const char* kCaption = "Gpane";

} // namespace

ToolBarWindow::ToolBarWindow(ToolBar bar, const QString& buttonName, int buttonCount)
    : QWidget(nullptr, Qt::Tool), m_bar(bar)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Appearing does not take the keyboard from the page.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The pictures are drawn on the bar's own colour, which also fills what they leave free.
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x27, 0x31, 0x3c));
    setPalette(pal);
    for (int i = 0; i < buttonCount; ++i) {
        auto* b = new PictureButton(buttonName, i, this);
        b->installEventFilter(this);
        m_buttons.append(b);
    }
}

PictureButton* ToolBarWindow::button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void ToolBarWindow::applyFlags(Qt::WindowFlags flags)
{
    if (flags == windowFlags())
        return;
    // Changing the flags hides a top-level window; it comes back where it was.
    const bool shown = isVisible();
    const QPoint at = pos();
    setWindowFlags(flags);
    move(at);
    if (shown)
        show();
}

void ToolBarWindow::setLocked(bool locked)
{
    // Asked at every step of the show: only a change does anything.
    if (locked == m_locked && windowFlags().testFlag(Qt::FramelessWindowHint) == locked)
        return;
    m_locked = locked;
    setWindowTitle(locked ? QString() : QString::fromLatin1(kCaption));
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, locked);
    applyFlags(flags);
}

void ToolBarWindow::setTopmost(bool topmost)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    applyFlags(flags);
}

bool ToolBarWindow::isTopmost() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void ToolBarWindow::closeEvent(QCloseEvent* event)
{
    // The user cannot close a tool bar; it goes when the program ends.
    if (m_hooks.closeAllowed && m_hooks.closeAllowed())
        event->accept();
    else
        event->ignore();
}

void ToolBarWindow::forwardKey(QKeyEvent* event)
{
    if (m_hooks.keyDown)
        m_hooks.keyDown(KeyCodeOf(event), ShiftMaskOf(event));
}

void ToolBarWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys typed into a control of the bar (the address box) are that control's alone, also
    // those it leaves unused.
    QWidget* focus = focusWidget();
    if (!focus || focus == this)
        forwardKey(event);
    event->accept();
}

void ToolBarWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_hooks.activity)
        m_hooks.activity();
    QWidget::mouseMoveEvent(event);
}

bool ToolBarWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The buttons take no focus, so keys reach the window itself; this only catches key
    // presses sent to a button directly.
    if (event->type() == QEvent::KeyPress && qobject_cast<PictureButton*>(watched)) {
        forwardKey(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- frmToolRun --------------------------------------------------------------------------------

frmToolRun::frmToolRun() : ToolBarWindow(ToolBar::Run, QStringLiteral("btnToolRun"), ToolRunCount)
{
    setObjectName(QStringLiteral("frmToolRun"));
}

// ---- keys --------------------------------------------------------------------------------------

int KeyCodeOf(const QKeyEvent* event)
{
    const int key = event->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return KeyCode::F1 + (key - Qt::Key_F1);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // the same codes as the letters' capitals
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    switch (key) {
    case Qt::Key_Escape:
        return KeyCode::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyCode::Enter;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

int ShiftMaskOf(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers m = event->modifiers();
    int shift = 0;
    if (m.testFlag(Qt::ShiftModifier))
        shift |= ShiftMask::Shift;
    if (m.testFlag(Qt::ControlModifier))
        shift |= ShiftMask::Ctrl;
    if (m.testFlag(Qt::AltModifier))
        shift |= ShiftMask::Alt;
    return shift;
}

} // namespace glasspane
