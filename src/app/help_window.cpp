#include "app/help_window.h"

#include "config/control_builders.h"
#include "document/page_address.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace glasspane {

HelpWindow::HelpWindow(QWidget* dialog) : QDialog(dialog)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Glasspane help"));
    // Not modal: the dialog stays usable beside the help.
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("helpView"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Before the page, which keeps the keys it is given.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
}

void HelpWindow::showPage(const QString& address)
{
    m_view->load(PageUrl(address));
    if (!isVisible()) {
        // Most of the screen, over the dialog.
        const QRect free = parentWidget()->screen()->availableGeometry();
        resize(free.size() * 4 / 5);
        FitOnScreen(this, size());
        move(free.center() - rect().center());
    }
    show();
    raise();
    activateWindow();
    m_view->setFocus();
}

QString HelpWindow::address() const
{
    return PageAddress(m_view->url());
}

void HelpWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (QWidget* dialog = parentWidget(); dialog && dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
    }
}

} // namespace glasspane
