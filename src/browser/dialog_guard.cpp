#include "browser/dialog_guard.h"

#include "engine/engine.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

namespace glasspane {

namespace {

// The configuration's own windows: a page changing under them is no reason to close them.
bool belongsToConfiguration(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QString name = w->objectName();
        if (name == u"frmConfig" || name == u"frmPassword")
            return true;
    }
    return false;
}

QString nameOf(const QWidget* dialog)
{
    const QString title = dialog->windowTitle();
    return title.isEmpty() ? QString::fromLatin1(dialog->metaObject()->className())
                           : QStringLiteral("\"%1\"").arg(title);
}

} // namespace

DialogGuard::DialogGuard(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

DialogGuard::~DialogGuard()
{
    qApp->removeEventFilter(this);
}

QList<QWidget*> DialogGuard::openDialogs() const
{
    QList<QWidget*> open;
    for (const QPointer<QWidget>& dialog : m_dialogs) {
        if (dialog && dialog->isVisible())
            open << dialog.data();
    }
    return open;
}

bool DialogGuard::tracked(const QWidget* window) const
{
    for (const QPointer<QWidget>& dialog : m_dialogs) {
        if (dialog == window)
            return true;
    }
    return false;
}

bool DialogGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show: {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow() || tracked(dialog))
            break;
        std::erase_if(m_dialogs, [](const QPointer<QWidget>& d) { return !d || !d->isVisible(); });
        m_dialogs.emplace_back(dialog);
        qCDebug(lcShow).noquote() << QStringLiteral("dialog %1 open").arg(nameOf(dialog));
        break;
    }
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (m_activity && widget && event->spontaneous() && tracked(widget->window()))
            m_activity();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void DialogGuard::raiseAll()
{
    for (QWidget* dialog : openDialogs())
        dialog->raise();
}

int DialogGuard::closeAll(Scope scope, const QString& why)
{
    QList<QWidget*> open = openDialogs();
    int closed = 0;
    // The latest first: a dialog opened from another ends before the one it came from.
    for (auto it = open.crbegin(); it != open.crend(); ++it) {
        QWidget* widget = *it;
        if (scope == Scope::Pages && belongsToConfiguration(widget))
            continue;
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (!dialog)
            continue;
        qCWarning(lcShow).noquote()
            << QStringLiteral("dialog %1 closed as cancelled: %2").arg(nameOf(dialog), why);
        dialog->setProperty(kDialogClosedBecause, why);
        // Its modal loop, if it runs one, returns "rejected" once the present event is done.
        dialog->reject();
        if (dialog->isVisible())
            dialog->close();
        ++closed;
    }
    return closed;
}

} // namespace glasspane
