#include "config/frm_props.h"

#include "config/config_dialogs.h"
#include "config/control_builders.h"
#include "config/modal_runner.h"
#include "config/model/page_properties.h"
#include "config/select_all_on_focus.h"
#include "document/page_variables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace glasspane {

namespace {

const QString kHtmlFilter = QStringLiteral("HTML Files (*.htm *.html)");
const QString kPictureFilter =
    QStringLiteral("All Picture Files (*.gif *.jpg *.jpeg *.bmp *.dib *.ico *.png)");
const QString kShortcutFilter = QStringLiteral("Favorites Files (*.url)");
const QString kNewLineHint = QStringLiteral("\nUse Shift+Enter to create a new line");

// The kinds the list offers, in its order.
const QList<QPair<QString, int>> kVariableKinds = {
    {QStringLiteral("No variable"), VarNone},
    {QStringLiteral("Value range"), VarRange},
    {QStringLiteral("Value list"), VarList},
    {QStringLiteral("Value file"), VarFile},
    {QStringLiteral("Favorites (standard)"), VarFavorites},
    {QStringLiteral("Main window invisible"), VarInvisible}};

void showAll(const QList<QWidget*>& widgets, bool visible)
{
    for (QWidget* w : widgets)
        w->setVisible(visible);
}

} // namespace

frmProps::frmProps(int mode, int index, WorkingLists& lists, Surroundings surroundings,
                   QWidget* parent)
    : QDialog(parent), m_mode(mode), m_index(index), m_lists(lists),
      m_surroundings(std::move(surroundings))
{
    setObjectName(QStringLiteral("frmProps"));
    setWindowTitle(QStringLiteral("Properties"));

    m_frmFrame = new QGroupBox(QStringLiteral("Properties"), this);
    m_frmFrame->setObjectName(QStringLiteral("frmFrame"));
    auto* frameLayout = new QVBoxLayout(m_frmFrame);
    frameLayout->addWidget(buildTop(m_frmFrame));
    m_lower = buildVariable(m_frmFrame);
    frameLayout->addWidget(m_lower, 1);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cmdCancel, QDialogButtonBox::RejectRole);
    // OK decides itself whether the dialog closes.
    connect(m_cmdOK, &QPushButton::clicked, this, &frmProps::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ScrollingArea(m_frmFrame), 1);
    layout->addWidget(buttons);

    // Only a page has the lower part; the other entries get the short dialog, whose buttons
    // follow the top part directly.
    const bool page = m_mode == PropertiesMode::Page;
    m_lower->setVisible(page);
    showAll({m_lblURL, m_txtURL, m_cmdBrowseFile},
            m_mode >= PropertiesMode::Page && m_mode <= PropertiesMode::Exclude);
    showAll({m_chkDefaultTime, m_lblTime, m_txtTime, m_updTime, m_lblTime2}, page);
    m_chkVisible->setVisible(m_mode >= PropertiesMode::ToolRunButton);
    showAll(m_buttonFields,
            m_mode == PropertiesMode::ToolRunButton || m_mode == PropertiesMode::ToolNavButton);
    Form_Activate();
    adjustSize();
}

QPlainTextEdit* frmProps::linesBox(const char* name, QWidget* parent)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    SelectAllOnFocus(box);
    box->installEventFilter(this);
    return box;
}

QWidget* frmProps::buildTop(QGroupBox* frame)
{
    auto* top = new QWidget(frame);
    m_txtURL = NamedTextBox(top, "txtURL", 1024);
    m_lblURL = NamedLabel(top, QStringLiteral("&Address :"), "lblURL", m_txtURL);
    m_cmdBrowseFile = NamedButton(top, QStringLiteral("&Browse file..."), "cmdBrowseFile");

    m_chkDefaultTime = NamedCheckBox(top, QStringLiteral("&Use default time"), "chkDefaultTime");
    m_txtTime = NamedTextBox(top, "txtTime", 3);
    m_txtTime->setAlignment(Qt::AlignRight);
    m_txtTime->setFixedWidth(m_txtTime->fontMetrics().horizontalAdvance(u'0') * 4 + 16);
    m_lblTime = NamedLabel(top, QStringLiteral("&Time :"), "lblTime", m_txtTime);
    // The spinner runs opposite to the number, so that its up arrow adds a second.
    m_updTime = new QScrollBar(Qt::Vertical, top);
    m_updTime->setObjectName(QStringLiteral("updTime"));
    m_updTime->setRange(Spinners::DisplayTime.minimum, Spinners::DisplayTime.maximum);
    m_updTime->setPageStep(1);
    m_updTime->setFixedSize(16, m_txtTime->sizeHint().height());
    m_updTime->setFocusPolicy(Qt::NoFocus);

    m_chkVisible = NamedCheckBox(top, QStringLiteral("&Visible"), "chkVisible");
    m_txtFileName = NamedTextBox(top, "txtFileName", 1024);
    m_txtFileDown = NamedTextBox(top, "txtFileDown", 1024);
    m_txtHelpTip = NamedTextBox(top, "txtHelpTip", 1024);
    QLabel* lblFileName =
        NamedLabel(top, QStringLiteral("&Picture file:"), "lblFileName", m_txtFileName);
    QLabel* lblFileDown =
        NamedLabel(top, QStringLiteral("&Down picture file:"), "lblFileDown", m_txtFileDown);
    QLabel* lblHelpTip = NamedLabel(top, QStringLiteral("&Help Tip:"), "lblHelpTip", m_txtHelpTip);
    QPushButton* cmdBrowse = NamedButton(top, QStringLiteral("&Browse..."), "cmdBrowse");
    QPushButton* cmdBrowseDown = NamedButton(top, QStringLiteral("B&rowse..."), "cmdBrowseDown");
    m_buttonFields = {lblFileName,   m_txtFileName, cmdBrowse,  lblFileDown,
                      m_txtFileDown, cmdBrowseDown, lblHelpTip, m_txtHelpTip};

    auto* grid = new QGridLayout(top);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_lblURL, 0, 0);
    grid->addWidget(m_txtURL, 0, 1);
    grid->addWidget(m_cmdBrowseFile, 0, 2);
    grid->addWidget(m_chkDefaultTime, 1, 0, 1, 3);
    auto* time = new QHBoxLayout;
    time->addWidget(m_txtTime);
    time->addWidget(m_updTime);
    m_lblTime2 = NamedLabel(top, QStringLiteral("seconds"), "lblTime2");
    time->addWidget(m_lblTime2);
    time->addStretch(1);
    grid->addWidget(m_lblTime, 2, 0);
    grid->addLayout(time, 2, 1, 1, 2);
    grid->addWidget(m_chkVisible, 3, 0, 1, 3);
    grid->addWidget(lblFileName, 4, 0);
    grid->addWidget(m_txtFileName, 4, 1);
    grid->addWidget(cmdBrowse, 4, 2);
    grid->addWidget(lblFileDown, 5, 0);
    grid->addWidget(m_txtFileDown, 5, 1);
    grid->addWidget(cmdBrowseDown, 5, 2);
    grid->addWidget(lblHelpTip, 6, 0);
    grid->addWidget(m_txtHelpTip, 6, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_cmdBrowseFile, &QPushButton::clicked, this,
            [this] { browse(m_txtURL, QStringLiteral("Load File"), kHtmlFilter, false); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        browse(m_txtFileName, QStringLiteral("Load Picture"), kPictureFilter, false);
    });
    connect(cmdBrowseDown, &QPushButton::clicked, this, [this] {
        browse(m_txtFileDown, QStringLiteral("Load Picture"), kPictureFilter, false);
    });
    connect(m_chkDefaultTime, &QCheckBox::toggled, this, &frmProps::enableTime);
    connect(m_chkVisible, &QCheckBox::toggled, this, &frmProps::enableButtonFields);
    connect(m_updTime, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_syncing)
            return;
        m_syncing = true;
        m_txtTime->setText(QString::number(Spinners::DisplayTime.numberAt(value)));
        m_syncing = false;
    });
    connect(m_txtTime, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_syncing)
            return;
        if (const std::optional<int> value = Spinners::DisplayTime.valueForText(text)) {
            m_syncing = true;
            m_updTime->setValue(*value);
            m_syncing = false;
        }
    });
    connect(m_txtURL, &QLineEdit::textChanged, this, &frmProps::ShowCachedFile);
    return top;
}

QWidget* frmProps::buildVariable(QGroupBox* frame)
{
    auto* lower = new QWidget(frame);
    m_cboVar1Type = new QComboBox(lower);
    m_cboVar1Type->setObjectName(QStringLiteral("cboVar1Type"));
    for (const auto& [caption, code] : kVariableKinds)
        m_cboVar1Type->addItem(caption, code);
    QLabel* lblVar1Type =
        NamedLabel(lower, QStringLiteral("&Variable type:"), "lblVar1Type", m_cboVar1Type);

    m_lblVar1ValueList = NamedLabel(lower, QString(), "lblVar1ValueList");
    m_txtVar1SourceFrom = NamedTextBox(lower, "txtVar1SourceFrom", 9);
    m_txtVar1SourceTo = NamedTextBox(lower, "txtVar1SourceTo", 9);
    m_lblVar1SourceTo = NamedLabel(lower, QStringLiteral("Range &end value:"), "lblVar1SourceTo",
                                   m_txtVar1SourceTo);
    m_txtVar1SourceList = linesBox("txtVar1SourceList", lower);
    m_txtVar1SourceFile = NamedTextBox(lower, "txtVar1SourceFile", 1024);
    m_cmdVar1SourceFile = NamedButton(lower, QStringLiteral("B&rowse..."), "cmdVar1SourceFile");
    m_txtVar1ParamFile = linesBox("txtVar1ParamFile", lower);
    m_lblVar1ParamFile =
        NamedLabel(lower, QStringLiteral("Search &patterns in the value file:") + kNewLineHint,
                   "lblVar1ParamFile");
    m_lblVar1ParamFile->setBuddy(m_txtVar1ParamFile);
    m_chkVar1CaseSensitive =
        NamedCheckBox(lower, QStringLiteral("&Case sensitive"), "chkVar1CaseSensitive");
    m_lblFavorites = NamedLabel(lower, QString(), "lblFavorites");
    m_lblFavorites->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_chkVar1SubDirectories =
        NamedCheckBox(lower, QStringLiteral("&Sub-directories"), "chkVar1SubDirectories");
    m_chkCached =
        NamedCheckBox(lower, QStringLiteral("&Create a local copy of this page"), "chkCached");
    m_lblCachedLabel = NamedLabel(lower, QStringLiteral("Cached file:"), "lblCachedLabel");
    m_lblCached = NamedLabel(lower, QString(), "lblCached");
    m_lblCached->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblCached->setWordWrap(true);
    m_chkSeparateProc =
        NamedCheckBox(lower, QStringLiteral("&Run as a separate process"), "chkSeparateProc");

    auto* grid = new QGridLayout(lower);
    grid->setContentsMargins(0, 8, 0, 0);
    int row = 0;
    grid->addWidget(lblVar1Type, row, 0);
    grid->addWidget(m_cboVar1Type, row++, 1, 1, 2);
    grid->addWidget(m_lblVar1ValueList, row++, 0, 1, 3);
    auto* range = new QHBoxLayout;
    range->addWidget(m_txtVar1SourceFrom);
    range->addSpacing(12);
    range->addWidget(m_lblVar1SourceTo);
    range->addWidget(m_txtVar1SourceTo);
    range->addStretch(1);
    grid->addLayout(range, row++, 0, 1, 3);
    m_listRow = row;
    grid->addWidget(m_txtVar1SourceList, row++, 0, 1, 3);
    grid->addWidget(m_txtVar1SourceFile, row, 0, 1, 2);
    grid->addWidget(m_cmdVar1SourceFile, row++, 2);
    grid->addWidget(m_lblVar1ParamFile, row++, 0, 1, 3);
    m_patternRow = row;
    grid->addWidget(m_txtVar1ParamFile, row++, 0, 1, 3);
    grid->addWidget(m_chkVar1CaseSensitive, row++, 0, 1, 3);
    grid->addWidget(m_lblFavorites, row++, 0, 1, 3);
    grid->addWidget(m_chkVar1SubDirectories, row++, 0, 1, 3);
    grid->addWidget(m_chkCached, row++, 0, 1, 3);
    grid->addWidget(m_lblCachedLabel, row, 0, Qt::AlignTop);
    grid->addWidget(m_lblCached, row++, 1, 1, 2);
    grid->addWidget(m_chkSeparateProc, row++, 0, 1, 3);
    m_endRow = row;
    grid->setColumnStretch(1, 1);
    m_variableGrid = grid;

    connect(m_cboVar1Type, &QComboBox::activated, this, [this](int index) {
        m_type = m_cboVar1Type->itemData(index).toInt();
        LayoutVariableFields(m_type);
    });
    connect(m_cmdVar1SourceFile, &QPushButton::clicked, this, [this] {
        const bool folder = m_type == VarShortcuts || m_type == VarHtmlFiles;
        browse(m_txtVar1SourceFile, QStringLiteral("Load File"),
               m_type == VarShortcuts ? kShortcutFilter : kHtmlFilter, folder);
    });
    connect(m_chkCached, &QCheckBox::toggled, this, &frmProps::ShowCachedFile);
    connect(m_txtVar1SourceFile, &QLineEdit::textChanged, this, &frmProps::ShowCachedFile);
    return lower;
}

// ---------------------------------------------------------------------------------------------

void frmProps::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FitOnScreen(this, QSize(560, m_mode == PropertiesMode::Page ? 560 : 0));
    QDialog::showEvent(event);
    // A failure to focus is of no consequence.
    if (m_mode <= PropertiesMode::Exclude)
        m_txtURL->setFocus();
    else
        m_chkVisible->setFocus();
}

ToolButton* frmProps::editedButton()
{
    QVector<ToolButton>& buttons =
        m_mode == PropertiesMode::ToolRunButton ? m_lists.toolRun : m_lists.toolNav;
    return m_index >= 0 && m_index < buttons.size() ? &buttons[m_index] : nullptr;
}

void frmProps::Form_Activate()
{
    switch (m_mode) {
    case PropertiesMode::Include:
    case PropertiesMode::Exclude: {
        const QStringList& list =
            m_mode == PropertiesMode::Include ? m_lists.include : m_lists.exclude;
        m_txtURL->setText(m_index >= 0 && m_index < list.size() ? list.at(m_index) : QString());
        m_frmFrame->setTitle(m_mode == PropertiesMode::Include
                                 ? QStringLiteral("Include properties")
                                 : QStringLiteral("Exclude properties"));
        break;
    }
    case PropertiesMode::ToolRunButton:
    case PropertiesMode::ToolNavButton:
        if (const ToolButton* b = editedButton()) {
            m_chkVisible->setChecked(b->Visible);
            m_txtFileName->setText(b->Icon);
            m_txtFileDown->setText(b->IconDown);
            m_txtHelpTip->setText(b->HelpTip);
            m_frmFrame->setTitle(QStringLiteral("Button properties: ") + b->Name);
        }
        break;
    case PropertiesMode::ToolNavAddressBox:
        m_chkVisible->setChecked(m_lists.toolNavUrlVisible);
        m_frmFrame->setTitle(QStringLiteral("Text box properties: URL"));
        break;
    case PropertiesMode::Page:
        if (m_index >= 0 && m_index < m_lists.pages.size()) {
            const PagePropsForm form = LoadPageProps(m_lists.pages.at(m_index));
            m_txtURL->setText(form.URL);
            m_chkDefaultTime->setChecked(form.DefaultTime);
            m_txtTime->setText(form.Time);
            m_type = form.Var1Type;
            // A kind without an item (6, 7) leaves the list without a choice.
            m_cboVar1Type->setCurrentIndex(m_cboVar1Type->findData(m_type));
            m_chkCached->setChecked(form.Cached);
            m_chkSeparateProc->setChecked(form.SeparateProc);
            m_txtVar1SourceFrom->setText(form.SourceFrom);
            m_txtVar1SourceTo->setText(form.SourceTo);
            m_txtVar1SourceList->setPlainText(form.SourceList);
            m_txtVar1SourceFile->setText(form.SourceFile);
            m_txtVar1ParamFile->setPlainText(form.ParamFile);
            m_chkVar1CaseSensitive->setChecked(form.CaseSensitive);
            m_chkVar1SubDirectories->setChecked(form.SubDirectories);
        }
        m_frmFrame->setTitle(QStringLiteral("Page properties"));
        m_lblFavorites->setText(m_surroundings.favoritesFolder);
        LayoutVariableFields(m_type);
        enableTime();
        break;
    default:
        break;
    }
    enableButtonFields();
}

void frmProps::LayoutVariableFields(int type)
{
    const bool folder = type == VarShortcuts || type == VarHtmlFiles;
    showAll({m_txtVar1SourceFrom, m_lblVar1SourceTo, m_txtVar1SourceTo}, type == VarRange);
    m_txtVar1SourceList->setVisible(type == VarList);
    showAll({m_txtVar1SourceFile, m_cmdVar1SourceFile}, type == VarFile || folder);
    showAll({m_lblVar1ParamFile, m_txtVar1ParamFile, m_chkVar1CaseSensitive}, type == VarFile);
    showAll({m_lblFavorites, m_chkVar1SubDirectories}, type == VarFavorites);

    QString caption;
    QWidget* buddy = nullptr;
    switch (type) {
    case VarRange:
        caption = QStringLiteral("&Range start value:");
        buddy = m_txtVar1SourceFrom;
        break;
    case VarList:
        caption = QStringLiteral("Value &list:") + kNewLineHint;
        buddy = m_txtVar1SourceList;
        break;
    case VarFile:
        caption = QStringLiteral("Value &file:");
        buddy = m_txtVar1SourceFile;
        break;
    case VarFavorites:
        caption = QStringLiteral("Favorites directory:");
        break;
    case VarShortcuts:
    case VarHtmlFiles:
        caption = QStringLiteral("&Folder:");
        buddy = m_txtVar1SourceFile;
        break;
    default:
        break;
    }
    m_lblVar1ValueList->setText(caption);
    m_lblVar1ValueList->setBuddy(buddy);
    m_lblVar1ValueList->setVisible(!caption.isEmpty());
    // A multi-line box takes the height left; without one it stays below the fields.
    m_variableGrid->setRowStretch(m_listRow, type == VarList ? 1 : 0);
    m_variableGrid->setRowStretch(m_patternRow, type == VarFile ? 1 : 0);
    m_variableGrid->setRowStretch(m_endRow, type == VarList || type == VarFile ? 0 : 1);
    m_chkCached->setVisible(m_mode == PropertiesMode::Page && type == VarNone);
    ShowCachedFile();
}

void frmProps::ShowCachedFile()
{
    const bool page = m_mode == PropertiesMode::Page && m_cboVar1Type->currentIndex() >= 0;
    const bool cachedPage = page && m_type == VarNone && m_chkCached->isChecked();
    const bool valueFile = page && m_type == VarFile;
    QString text;
    if (cachedPage)
        text = CachedFileText(m_surroundings.cacheFolder, m_txtURL->text());
    else if (valueFile)
        text = CachedFileText(m_surroundings.cacheFolder, m_txtVar1SourceFile->text());
    m_lblCached->setText(text);
    m_lblCached->setVisible(cachedPage || valueFile);
    m_lblCachedLabel->setVisible(cachedPage || valueFile);
    m_chkSeparateProc->setVisible(m_mode == PropertiesMode::Page && m_type == VarNone);
}

void frmProps::enableTime()
{
    const bool own = !m_chkDefaultTime->isChecked();
    for (QWidget* w : QList<QWidget*>{m_lblTime, m_txtTime, m_updTime, m_lblTime2})
        w->setEnabled(own);
}

void frmProps::enableButtonFields()
{
    for (QWidget* w : std::as_const(m_buttonFields))
        w->setEnabled(m_chkVisible->isChecked());
}

void frmProps::browse(QLineEdit* box, const QString& title, const QString& filter, bool folderOnly)
{
    const QFileInfo current(box->text());
    const QString start =
        current.isAbsolute() && current.exists()
            ? (current.isDir() ? current.absoluteFilePath() : current.absolutePath())
            : QString();
    const QString chosen = ChooseFileToOpen(m_surroundings.runner, this, title, filter, start);
    if (chosen.isEmpty())
        return;
    // The folder kinds take the folder that holds the file chosen.
    box->setText(folderOnly ? QFileInfo(chosen).absolutePath() : chosen);
}

bool frmProps::eventFilter(QObject* watched, QEvent* event)
{
    // In the two multi-line boxes Enter presses OK, Shift+Enter starts a new line.
    if (event->type() == QEvent::KeyPress &&
        (watched == m_txtVar1SourceList || watched == m_txtVar1ParamFile)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\n"));
            else
                m_cmdOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------

PagePropsForm frmProps::pageForm() const
{
    PagePropsForm form;
    form.URL = m_txtURL->text();
    form.DefaultTime = m_chkDefaultTime->isChecked();
    form.Time = m_txtTime->text();
    form.Var1Type = m_type;
    form.SourceFrom = m_txtVar1SourceFrom->text();
    form.SourceTo = m_txtVar1SourceTo->text();
    form.SourceList = m_txtVar1SourceList->toPlainText();
    form.SourceFile = m_txtVar1SourceFile->text();
    form.ParamFile = m_txtVar1ParamFile->toPlainText();
    form.CaseSensitive = m_chkVar1CaseSensitive->isChecked();
    form.SubDirectories = m_chkVar1SubDirectories->isChecked();
    form.Cached = m_chkCached->isChecked();
    form.SeparateProc = m_chkSeparateProc->isChecked();
    return form;
}

void frmProps::cmdOK_Click()
{
    if (m_mode == PropertiesMode::Page) {
        // The page's own time when it has one, and only a range in use: bounds left in the
        // hidden boxes by a kind chosen before do not count.
        QList<QPair<QLineEdit*, NumberBoxRule>> boxes;
        if (!m_chkDefaultTime->isChecked())
            boxes.append({m_txtTime, NumberBoxes::displayTime(QStringLiteral("Time"))});
        if (m_type == VarRange) {
            boxes.append(
                {m_txtVar1SourceFrom, NumberBoxes::bound(QStringLiteral("Range start value"))});
            boxes.append(
                {m_txtVar1SourceTo, NumberBoxes::bound(QStringLiteral("Range end value"))});
        }
        for (const auto& [box, rule] : std::as_const(boxes)) {
            if (const std::optional<QString> problem = NumberBoxProblem(rule, box->text())) {
                RefuseInput(m_surroundings.runner, this, box, kProductName, *problem);
                return;
            }
        }
        if (m_type == VarRange &&
            !RangeSpanAllowed(m_txtVar1SourceFrom->text(), m_txtVar1SourceTo->text())) {
            RefuseInput(m_surroundings.runner, this, m_txtVar1SourceTo, kProductName,
                        QStringLiteral("Value range is too large!"));
            return;
        }
    }
    P_KeepProps();
    accept();
}

void frmProps::P_KeepProps()
{
    switch (m_mode) {
    case PropertiesMode::Page:
        if (m_index >= 0 && m_index < m_lists.pages.size())
            KeepPageProps(m_lists.pages[m_index], pageForm());
        break;
    case PropertiesMode::Include:
    case PropertiesMode::Exclude: {
        QStringList& list = m_mode == PropertiesMode::Include ? m_lists.include : m_lists.exclude;
        if (m_index >= 0 && m_index < list.size())
            list[m_index] = m_txtURL->text();
        break;
    }
    case PropertiesMode::ToolRunButton:
    case PropertiesMode::ToolNavButton:
        if (ToolButton* b = editedButton()) {
            b->Visible = m_chkVisible->isChecked();
            b->Icon = m_txtFileName->text();
            b->IconDown = m_txtFileDown->text();
            b->HelpTip = m_txtHelpTip->text();
        }
        break;
    case PropertiesMode::ToolNavAddressBox:
        m_lists.toolNavUrlVisible = m_chkVisible->isChecked();
        break;
    default:
        break;
    }
}

} // namespace glasspane
