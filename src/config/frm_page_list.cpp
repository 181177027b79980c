#include "config/frm_page_list.h"

#include "config/config_dialogs.h"
#include "config/model/page_list_text.h"
#include "document/page_variables.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glasspane {

namespace {

// The wait cursor while a long list is built.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

frmPageList::frmPageList(int mode, WorkingLists& lists, qint32 defaultTime,
                         const ExpansionContext& expansion, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_lists(lists), m_defaultTime(defaultTime),
      m_expansion(expansion)
{
    setObjectName(QStringLiteral("frmPageList"));
    setSizeGripEnabled(true);

    m_frmText = new QGroupBox(this);
    m_frmText->setObjectName(QStringLiteral("frmText"));
    m_txtList = new QPlainTextEdit(m_frmText);
    m_txtList->setObjectName(QStringLiteral("txtList"));
    // Both scroll bars: one address a line, never wrapped.
    m_txtList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* frameLayout = new QVBoxLayout(m_frmText);
    frameLayout->addWidget(m_txtList);

    // Enter belongs to the list: neither button is pressed by it.
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmPageList::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The frame takes what the window grows by; the buttons stay in the bottom right corner.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frmText, 1);
    layout->addLayout(buttons);
    resize(560, 420);
    Form_Activate();
}

void frmPageList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_txtList->setFocus();
}

void frmPageList::Form_Activate()
{
    const bool edit = m_mode == PageListMode::Edit;
    m_txtList->setReadOnly(!edit);
    m_cmdOK->setVisible(edit);
    WaitCursor wait;
    if (edit) {
        setWindowTitle(QStringLiteral("Edit page list"));
        m_frmText->setTitle(QStringLiteral("&Edit page list"));
        m_txtList->setPlainText(PageListText(m_lists.pages));
    } else {
        setWindowTitle(QStringLiteral("Display page list"));
        m_cmdCancel->setText(QStringLiteral("&Close"));
        // Expanded as the show would, from copies: showing the list changes nothing.
        QVector<PageEntry> pages{PageEntry()};
        pages += m_lists.pages;
        QVector<PlayEntry> playList{PlayEntry()};
        ExpandPageList(pages, playList, m_lists.include, m_lists.exclude, m_expansion);
        int lines = 0;
        m_txtList->setPlainText(PlayListText(playList, &lines));
        m_frmText->setTitle(DisplayPageListCaption(lines));
    }
}

void frmPageList::cmdOK_Click()
{
    if (m_mode != PageListMode::Edit)
        return;
    m_lists.pages = PagesFromText(m_txtList->toPlainText(), m_lists.pages, m_defaultTime);
    accept();
}

} // namespace glasspane
