#include "browser/qt_desktop.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QStyle>
#include <QWebEngineView>
#include <QWidget>

namespace glasspane {

namespace {

constexpr double kTwipsPerInch = 1440.0;

int twipsPerPixel(double dotsPerInch)
{
    if (dotsPerInch <= 0)
        return 15; // 96 dots per inch
    return std::max(1, qRound(kTwipsPerInch / dotsPerInch));
}

QString classNameOf(const QWidget* widget)
{
    const auto* view = qobject_cast<const QWebEngineView*>(widget->parentWidget());
    if (view && view->focusProxy() == widget)
        return QtDesktop::pageWindowClass();
    return QString::fromLatin1(widget->metaObject()->className());
}

// Depth first: each child's own descendants, then the child itself.
bool walk(const QWidget* parent, int depth, const std::function<bool(const DesktopWindow&)>& visit)
{
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        if (!walk(child, depth + 1, visit))
            return false;
        const DesktopWindow window{depth, QtDesktop::idOf(child), child->windowTitle(),
                                   classNameOf(child)};
        if (!visit(window))
            return false;
    }
    return true;
}

} // namespace

QtDesktop::~QtDesktop()
{
    if (m_overridden)
        QGuiApplication::restoreOverrideCursor();
}

QWidget* QtDesktop::widgetOf(WindowId id)
{
    if (id == 0)
        return nullptr;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        if (idOf(widget) == id)
            return widget;
    }
    return nullptr;
}

int QtDesktop::showCursor(bool show)
{
    m_cursorCount += show ? 1 : -1;
    applyPointer();
    return m_cursorCount;
}

void QtDesktop::setBusyPointer(bool busy)
{
    m_busy = busy;
    applyPointer();
}

void QtDesktop::applyPointer()
{
    // One override cursor of ours at most: hidden wins over busy.
    const bool hidden = m_cursorCount < 0;
    if (!hidden && !m_busy) {
        if (m_overridden) {
            QGuiApplication::restoreOverrideCursor();
            m_overridden = false;
        }
        return;
    }
    const QCursor cursor(hidden ? Qt::BlankCursor : Qt::WaitCursor);
    if (m_overridden) {
        QGuiApplication::changeOverrideCursor(cursor);
    } else {
        QGuiApplication::setOverrideCursor(cursor);
        m_overridden = true;
    }
}

QPoint QtDesktop::cursorPos() const
{
    return QCursor::pos();
}

QSize QtDesktop::screenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(800, 600);
}

int QtDesktop::twipsPerPixelX() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twipsPerPixel(screen ? screen->logicalDotsPerInchX() : 0);
}

int QtDesktop::twipsPerPixelY() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twipsPerPixel(screen ? screen->logicalDotsPerInchY() : 0);
}

int QtDesktop::systemMetric(Metric metric) const
{
    // The window manager draws the real frames; these are the classic sizes that the window
    // layouts were made for.
    const int caption = std::max(18, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight));
    switch (metric) {
    case Metric::CaptionHeight:
        return caption;
    case Metric::SmallCaptionHeight:
        return std::max(14, caption - 4);
    case Metric::BorderWidth:
    case Metric::BorderHeight:
        return 1;
    case Metric::DialogFrameWidth:
    case Metric::DialogFrameHeight:
        return 3;
    case Metric::FrameWidth:
    case Metric::FrameHeight:
        return 4;
    }
    return 0;
}

WindowId QtDesktop::foregroundWindow() const
{
    return idOf(QApplication::activeWindow());
}

bool QtDesktop::setFocus(WindowId window)
{
    QWidget* widget = widgetOf(window);
    if (!widget || !widget->isEnabled())
        return false;
    widget->setFocus(Qt::OtherFocusReason);
    return true;
}

void QtDesktop::visitDescendants(WindowId parent,
                                 const std::function<bool(const DesktopWindow&)>& visit)
{
    if (const QWidget* widget = widgetOf(parent))
        walk(widget, 1, visit);
}

} // namespace glasspane
