#include "browser/frm_tool_nav.h"

#include "document/document.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace glasspane {

frmToolNav::frmToolNav() : ToolBarWindow(ToolBar::Nav, QStringLiteral("btnToolNav"), ToolNavCount)
{
    setObjectName(QStringLiteral("frmToolNav"));

    m_txtURL = new QComboBox(this);
    m_txtURL->setObjectName(QStringLiteral("txtURL"));
    m_txtURL->setEditable(true);
    // Enter is handled below; the list holds the typed addresses only.
    m_txtURL->setInsertPolicy(QComboBox::NoInsert);
    m_txtURL->setMaxVisibleItems(15);
    // Read from a step away, on a kiosk screen.
    QFont big = m_txtURL->font();
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.3);
    else if (big.pixelSize() > 0)
        big.setPixelSize(big.pixelSize() * 13 / 10);
    m_txtURL->setFont(big);
    m_txtURL->installEventFilter(this);
    m_txtURL->setMouseTracking(true);
    if (QLineEdit* edit = m_txtURL->lineEdit()) {
        edit->installEventFilter(this);
        edit->setMouseTracking(true);
    }
    connect(m_txtURL, &QComboBox::activated, this, [this] { Q_EMIT focusToBrowser(); });

    m_cmdDefault = new QPushButton(this);
    m_cmdDefault->setObjectName(QStringLiteral("cmdDefault"));
    m_cmdDefault->setDefault(true);
    m_cmdDefault->setFocusPolicy(Qt::NoFocus);
    m_cmdDefault->setGeometry(0, 0, 0, 0);
    m_cmdDefault->installEventFilter(this);
    connect(m_cmdDefault, &QPushButton::clicked, this,
            [this] { Q_EMIT defaultClicked(m_txtURL->currentText()); });
}

void frmToolNav::FillAddressList(const QStringList& list)
{
    const QString text = m_txtURL->currentText();
    m_txtURL->clear();
    m_txtURL->addItems(list);
    m_txtURL->setEditText(text);
}

void frmToolNav::resizeEvent(QResizeEvent* event)
{
    ToolBarWindow::resizeEvent(event);
    Q_EMIT resized();
}

bool frmToolNav::eventFilter(QObject* watched, QEvent* event)
{
    QLineEdit* edit = m_txtURL->lineEdit();
    const bool inBox = watched == m_txtURL || (edit && watched == edit);
    if (inBox) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Q_EMIT urlEntered(m_txtURL->currentText());
                return true;
            }
            // Typing an address is activity, though not a key for the show's key handler.
            if (hooks().activity)
                hooks().activity();
            break;
        }
        case QEvent::FocusIn:
            // After the click that gave the focus has placed the cursor.
            if (edit)
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
            break;
        case QEvent::MouseMove:
            if (hooks().activity)
                hooks().activity();
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == m_cmdDefault && event->type() == QEvent::FocusIn) {
        Q_EMIT focusToBrowser();
        return false;
    }
    return ToolBarWindow::eventFilter(watched, event);
}

} // namespace glasspane
