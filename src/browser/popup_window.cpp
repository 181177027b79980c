#include "browser/popup_window.h"

#include "browser/curtain.h"

#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace glasspane {

PopupWindow::PopupWindow(KioskPage::Owner& owner, QWebEngineProfile* profile, bool silent)
    : QWidget(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("frmPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Glasspane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setAcceptDrops(false);
    m_page = new KioskPage(profile, owner, m_view);
    m_page->setSilent(silent);
    m_view->setPage(m_page);
    layout->addWidget(m_view);
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // A window whose renderer died (or was ended for not answering) has nothing left to show.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    close();
            });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (ok && !m_revealed && !m_refused && !isVisible()) {
            m_place = pos();
            move(-20000, -20000);
            show();
            QTimer::singleShot(kPaintPollMs, this, [this] { revealWhenPainted(kPaintPollMs); });
        }
    });
    resize(800, 600);
}

void PopupWindow::navigationDecided(bool accepted)
{
    if (!accepted && !m_revealed) {
        m_refused = true;
        close();
    }
}

void PopupWindow::revealWhenPainted(int waited)
{
    if (m_revealed || m_refused)
        return;
    if (waited < kPaintWaitMs && !ShowsSomething(m_view->grab().toImage())) {
        QTimer::singleShot(kPaintPollMs, this,
                           [this, waited] { revealWhenPainted(waited + kPaintPollMs); });
        return;
    }
    m_revealed = true;
    move(m_place);
}

} // namespace glasspane
