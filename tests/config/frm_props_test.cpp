// The properties dialog on the working lists, control by control: the fields of each variable
// kind, the short dialog of addresses and buttons, Enter and Shift+Enter in the multi-line
// boxes, the range limit, the cached copy's name, the file choosers, and what OK and Cancel
// keep. Each mode is saved as a picture in $GLASSPANE_TEST_BINARY_DIR/screenshots.

#include "config/frm_props.h"
#include "config_rig.h"
#include "document/page_cache.h"
#include "document/page_variables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace glasspane;

namespace {

// One dialog on a small set of working lists.
struct PropsRig
{
    ScriptedRunner runner;
    WorkingLists lists;
    std::unique_ptr<frmProps> dialog;

    PropsRig()
    {
        PageEntry page;
        page.URL = QStringLiteral("http://news.example/today.html");
        lists.pages = {page};
        lists.include = {QStringLiteral("http://news.example/")};
        lists.exclude = {QStringLiteral("http://news.example/private/")};
        lists.toolRun = DefaultToolRunButtons();
        lists.toolNav = DefaultToolNavButtons();
    }

    frmProps& open(int mode, int index = 0)
    {
        dialog = std::make_unique<frmProps>(
            mode, index, lists,
            frmProps::Surroundings{runner, QStringLiteral("/home/kiosk/.cache/glasspane"),
                                   QStringLiteral("/home/kiosk/Favorites/")});
        dialog->show();
        QApplication::processEvents();
        return *dialog;
    }
    template <typename T = QWidget> T* find(const QString& name) const
    {
        T* w = dialog->findChild<T*>(name);
        if (!w)
            qWarning() << "no control named" << name;
        return w;
    }
    void click(const QString& name) { find<QAbstractButton>(name)->click(); }
    bool shown(const QString& name) const { return find(name)->isVisibleTo(dialog.get()); }
    void chooseKind(int index)
    {
        auto* combo = find<QComboBox>("cboVar1Type");
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }
};

const QStringList kVariableFields = {
    "txtVar1SourceFrom",    "lblVar1SourceTo",   "txtVar1SourceTo",       "txtVar1SourceList",
    "txtVar1SourceFile",    "cmdVar1SourceFile", "lblVar1ParamFile",      "txtVar1ParamFile",
    "chkVar1CaseSensitive", "lblFavorites",      "chkVar1SubDirectories", "chkCached",
    "chkSeparateProc"};

} // namespace

class FrmPropsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldsByKind_data();
    void fieldsByKind();
    void shortDialogForAddressesAndButtons_data();
    void shortDialogForAddressesAndButtons();
    void enterPressesOkShiftEnterStartsALine();
    void rangeLimit();
    void mnemonicsUnique();
    void numberBoxesRefuseSlips_data();
    void numberBoxesRefuseSlips();
    void cachedFileShown();
    void fileChoosers();
    void buttonProperties();
    void cancelKeepsNothing();
};

void FrmPropsTest::fieldsByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("visible");
    QTest::addColumn<QString>("caption");
    QTest::newRow("no variable") << int(VarNone) << QStringList{"chkCached", "chkSeparateProc"}
                                 << "";
    QTest::newRow("range") << int(VarRange)
                           << QStringList{"txtVar1SourceFrom", "lblVar1SourceTo", "txtVar1SourceTo"}
                           << "&Range start value:";
    QTest::newRow("list") << int(VarList) << QStringList{"txtVar1SourceList"}
                          << "Value &list:\nUse Shift+Enter to create a new line";
    QTest::newRow("file") << int(VarFile)
                          << QStringList{"txtVar1SourceFile", "cmdVar1SourceFile",
                                         "lblVar1ParamFile", "txtVar1ParamFile",
                                         "chkVar1CaseSensitive"}
                          << "Value &file:";
    QTest::newRow("favorites") << int(VarFavorites)
                               << QStringList{"lblFavorites", "chkVar1SubDirectories"}
                               << "Favorites directory:";
    QTest::newRow("invisible") << int(VarInvisible) << QStringList() << "";
    QTest::newRow("shortcut folder")
        << int(VarShortcuts) << QStringList{"txtVar1SourceFile", "cmdVar1SourceFile"} << "&Folder:";
    QTest::newRow("html folder") << int(VarHtmlFiles)
                                 << QStringList{"txtVar1SourceFile", "cmdVar1SourceFile"}
                                 << "&Folder:";
}

void FrmPropsTest::fieldsByKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, visible);
    QFETCH(QString, caption);
    PropsRig rig;
    rig.lists.pages[0].Var1Type = qint16(kind);
    rig.open(PropertiesMode::Page);
    QCOMPARE(rig.find<QGroupBox>("frmFrame")->title(), QStringLiteral("Page properties"));
    for (const QString& name : kVariableFields)
        QVERIFY2(rig.shown(name) == visible.contains(name), qPrintable(name));
    auto* label = rig.find<QLabel>("lblVar1ValueList");
    QCOMPARE(label->isVisibleTo(rig.dialog.get()), !caption.isEmpty());
    QCOMPARE(label->text(), caption);
    // Kinds 6 and 7 have no item: nothing is chosen, and OK keeps the kind.
    auto* combo = rig.find<QComboBox>("cboVar1Type");
    QCOMPARE(combo->currentIndex() < 0, kind > VarInvisible);
    QCOMPARE(combo->count(), 6);
    QVERIFY(rig.dialog->grab().save(screenshotFolder() +
                                    QStringLiteral("/props-1-page-kind%1.png").arg(kind)));
    rig.click("cmdOK");
    QCOMPARE(rig.lists.pages[0].Var1Type, qint16(kind));
}

void FrmPropsTest::shortDialogForAddressesAndButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("focus");
    QTest::newRow("include") << int(PropertiesMode::Include) << 0 << "Include properties"
                             << "txtURL";
    QTest::newRow("exclude") << int(PropertiesMode::Exclude) << 0 << "Exclude properties"
                             << "txtURL";
    QTest::newRow("run button") << int(PropertiesMode::ToolRunButton) << 4
                                << "Button properties: Quit"
                                << "chkVisible";
    QTest::newRow("nav button") << int(PropertiesMode::ToolNavButton) << 7
                                << "Button properties: Config"
                                << "chkVisible";
    QTest::newRow("address box") << int(PropertiesMode::ToolNavAddressBox) << 11
                                 << "Text box properties: URL"
                                 << "chkVisible";
}

void FrmPropsTest::shortDialogForAddressesAndButtons()
{
    QFETCH(int, mode);
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QString, focus);
    PropsRig page;
    const int pageHeight = page.open(PropertiesMode::Page).height();
    QVERIFY(QTest::qWaitForWindowExposed(page.dialog.get()));
    page.dialog->grab().save(screenshotFolder() + QStringLiteral("/props-1-page.png"));

    PropsRig rig;
    frmProps& dialog = rig.open(mode, index);
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(rig.find<QGroupBox>("frmFrame")->title(), caption);
    QVERIFY(!rig.shown("cboVar1Type") && !rig.shown("chkCached") && !rig.shown("txtTime"));
    QCOMPARE(rig.shown("txtURL"), mode <= PropertiesMode::Exclude);
    QCOMPARE(rig.shown("txtHelpTip"),
             mode == PropertiesMode::ToolRunButton || mode == PropertiesMode::ToolNavButton);
    QCOMPARE(rig.shown("chkVisible"), mode >= PropertiesMode::ToolRunButton);
    QCOMPARE(QApplication::focusWidget(), rig.find(focus));
    // Shorter than the page's dialog, OK and Cancel inside it.
    QVERIFY2(dialog.height() < pageHeight * 2 / 3,
             qPrintable(QStringLiteral("%1 / %2").arg(dialog.height()).arg(pageHeight)));
    for (const char* name : {"cmdOK", "cmdCancel"}) {
        QWidget* b = rig.find(QLatin1String(name));
        QVERIFY(b->isVisible());
        QVERIFY(dialog.rect().contains(QRect(b->mapTo(&dialog, QPoint(0, 0)), b->size())));
    }
    QVERIFY(dialog.grab().save(screenshotFolder() +
                               QStringLiteral("/props-%1-%2.png")
                                   .arg(mode)
                                   .arg(QString(QTest::currentDataTag()).replace(u' ', u'-'))));
}

void FrmPropsTest::enterPressesOkShiftEnterStartsALine()
{
    PropsRig rig;
    rig.lists.pages[0].URL.clear();
    rig.open(PropertiesMode::Page);
    rig.chooseKind(2);
    auto* list = rig.find<QPlainTextEdit>("txtVar1SourceList");
    list->setFocus();
    QTest::keyClicks(list, QStringLiteral("a"));
    QTest::keyClick(list, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(list, QStringLiteral("b"));
    QTest::keyClick(list, Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(rig.dialog->isVisible());
    QCOMPARE(list->toPlainText(), QStringLiteral("a\nb\n"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    const PageEntry& page = rig.lists.pages.at(0);
    QCOMPARE(page.Var1Type, qint16(VarList));
    QCOMPARE(page.Var1Source, QStringLiteral("a|b|"));
    QCOMPARE(page.URL, QStringLiteral("$$"));

    // The same in the pattern box; the label says so too.
    PropsRig file;
    file.open(PropertiesMode::Page);
    file.chooseKind(3);
    QVERIFY(file.find<QLabel>("lblVar1ParamFile")
                ->text()
                .endsWith(QLatin1String("\nUse Shift+Enter to create a new line")));
    auto* patterns = file.find<QPlainTextEdit>("txtVar1ParamFile");
    QTest::keyClicks(patterns, QStringLiteral("<b>$$</b>"));
    QTest::keyClick(patterns, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    QTest::keyClicks(patterns, QStringLiteral("|$$|"));
    QTest::keyClick(patterns, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(file.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(file.lists.pages.at(0).Var1Param, QStringLiteral("<b>$$</b>|{Pipe}$${Pipe}"));
}

void FrmPropsTest::rangeLimit()
{
    PropsRig rig;
    rig.open(PropertiesMode::Page);
    rig.chooseKind(1);
    rig.find<QLineEdit>("txtVar1SourceFrom")->setText(QStringLiteral("0"));
    rig.find<QLineEdit>("txtVar1SourceTo")->setText(QStringLiteral("10001"));
    rig.runner.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdOK");
    QCOMPARE(rig.runner.shown,
             QStringList{QStringLiteral("messageBox|Glasspane|Value range is too large!")});
    QVERIFY(rig.dialog->isVisible());
    QCOMPARE(rig.lists.pages.at(0).Var1Type, qint16(VarNone)); // nothing kept

    rig.find<QLineEdit>("txtVar1SourceFrom")->setText(QStringLiteral("1"));
    rig.click("cmdOK");
    QVERIFY(rig.runner.allAnswered());
    QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(rig.lists.pages.at(0).Var1Source, QStringLiteral("1"));
    QCOMPARE(rig.lists.pages.at(0).Var1Param, QStringLiteral("10001"));

    // Bounds left in the boxes by a range chosen before do not hold up a list.
    PropsRig list;
    list.open(PropertiesMode::Page);
    list.chooseKind(1);
    list.find<QLineEdit>("txtVar1SourceTo")->setText(QStringLiteral("99999"));
    list.chooseKind(2);
    list.find<QPlainTextEdit>("txtVar1SourceList")->setPlainText(QStringLiteral("x"));
    list.click("cmdOK");
    QVERIFY(list.runner.allAnswered());
    QCOMPARE(list.lists.pages.at(0).Var1Source, QStringLiteral("x"));
}

// Each Alt+letter reaches one control in every form of the dialog: each kind of variable of a
// page, an address, a button.
void FrmPropsTest::mnemonicsUnique()
{
    QList<QPair<int, int>> forms; // mode, kind of variable
    for (int kind = VarNone; kind <= VarHtmlFiles; ++kind)
        forms.append({PropertiesMode::Page, kind});
    for (int mode : {PropertiesMode::Include, PropertiesMode::ToolRunButton,
                     PropertiesMode::ToolNavAddressBox})
        forms.append({mode, VarNone});
    for (const auto& [mode, kind] : forms) {
        PropsRig rig;
        rig.lists.pages[0].Var1Type = qint16(kind);
        rig.open(mode, mode == PropertiesMode::ToolNavAddressBox ? 11 : 0);
        const QMap<QChar, QStringList> owners = MnemonicOwners(rig.dialog.get());
        for (auto it = owners.begin(); it != owners.end(); ++it)
            QVERIFY2(it.value().size() == 1, qPrintable(QStringLiteral("mode %1, kind %2: %3")
                                                            .arg(mode)
                                                            .arg(kind)
                                                            .arg(it.value().join(u','))));
    }
}

void FrmPropsTest::numberBoxesRefuseSlips_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // "" for accepted
    // The page's own display time: a slip would keep the page on screen for good.
    QTest::newRow("letters in the time")
        << "txtTime"
        << "1o"
        << "Time: \"1o\" is not a number. Please type a whole number of seconds";
    QTest::newRow("negative time") << "txtTime"
                                   << "-3"
                                   << "Time cannot be negative (-3)";
    QTest::newRow("zero time typed") << "txtTime"
                                     << "0"
                                     << "";
    QTest::newRow("letters in a bound")
        << "txtVar1SourceFrom"
        << "one"
        << "Range start value: \"one\" is not a number. Please type a whole number.";
    QTest::newRow("negative bound") << "txtVar1SourceFrom"
                                    << "-5"
                                    << "";
}

void FrmPropsTest::numberBoxesRefuseSlips()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    PropsRig rig;
    rig.open(PropertiesMode::Page);
    QApplication::setActiveWindow(rig.dialog.get());
    if (box == QLatin1String("txtTime")) {
        rig.find<QCheckBox>("chkDefaultTime")->setChecked(false);
    } else {
        rig.chooseKind(1);
        rig.find<QLineEdit>("txtVar1SourceTo")->setText(QStringLiteral("5"));
    }
    rig.find<QLineEdit>(box)->setText(text);
    if (!refusal.isEmpty())
        rig.runner.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdOK");
    QVERIFY(rig.runner.allAnswered());
    if (refusal.isEmpty()) {
        QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
        return;
    }
    QVERIFY2(rig.runner.shown.value(0).startsWith("messageBox|Glasspane|" + refusal),
             qPrintable(rig.runner.shown.value(0)));
    // The zero note goes with the time only, and only when no number was typed.
    QCOMPARE(rig.runner.shown.value(0).contains("0 means no automatic advance"),
             box == QLatin1String("txtTime") && text == QLatin1String("1o"));
    QCOMPARE(rig.runner.icons.value(0), QMessageBox::Critical);
    QVERIFY(rig.dialog->isVisible());
    QCOMPARE(QApplication::focusWidget(), rig.find(box));
    QCOMPARE(rig.find<QLineEdit>(box)->selectedText(), text);
    QCOMPARE(rig.lists.pages.at(0).DefaultTime, true); // nothing kept
}

void FrmPropsTest::cachedFileShown()
{
    PropsRig rig;
    rig.open(PropertiesMode::Page);
    auto* cached = rig.find<QLabel>("lblCached");
    QVERIFY(!rig.shown("lblCachedLabel"));
    rig.find<QCheckBox>("chkCached")->setChecked(true);
    QVERIFY(rig.shown("lblCachedLabel") && rig.shown("lblCached"));
    const QString url = rig.lists.pages.at(0).URL;
    QCOMPARE(cached->text(),
             QStringLiteral("/home/kiosk/.cache/glasspane/\n") + CacheFileName(url));
    // It follows the address as it is typed.
    rig.find<QLineEdit>("txtURL")->setText(QStringLiteral("http://other.example/a.jpeg"));
    QVERIFY(cached->text().endsWith(CacheFileName(QStringLiteral("http://other.example/a.jpeg"))));
    rig.find<QLineEdit>("txtURL")->clear();
    QVERIFY(cached->text().isEmpty() && rig.shown("lblCached"));

    // A value file's copy, whatever the cache box says.
    rig.chooseKind(3);
    QVERIFY(!rig.shown("chkCached") && !rig.shown("chkSeparateProc"));
    rig.find<QLineEdit>("txtVar1SourceFile")->setText(QStringLiteral("http://v.example/l.txt"));
    QVERIFY(cached->text().endsWith(CacheFileName(QStringLiteral("http://v.example/l.txt"))));
    rig.chooseKind(2);
    QVERIFY(!rig.shown("lblCached"));
}

void FrmPropsTest::fileChoosers()
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("show/page.html"));
    const QString link = dir.filePath(QStringLiteral("links/news.url"));
    const QString picture = dir.filePath(QStringLiteral("pics/play.png"));
    for (const QString& file : {page, link, picture})
        QVERIFY(writeFileBytes(file, "x"));
    PropsRig rig;
    rig.open(PropertiesMode::Page);
    QStringList filters;
    bool native = true;
    rig.runner.beforeAnswer = [&](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            filters.append(files->windowTitle() + u'|' + files->nameFilters().join(u';'));
            native = native && !files->testOption(QFileDialog::DontUseNativeDialog);
        }
    };
    auto* url = rig.find<QLineEdit>("txtURL");
    const QString before = url->text();
    rig.runner.expect(ScriptedRunner::chooseFile(QString())); // cancelled
    rig.click("cmdBrowseFile");
    QCOMPARE(url->text(), before);
    rig.runner.expect(ScriptedRunner::chooseFile(page));
    rig.click("cmdBrowseFile");
    QCOMPARE(url->text(), page);

    // The folder kinds take the folder of the file chosen.
    PropsRig folder;
    folder.lists.pages[0].Var1Type = VarShortcuts;
    folder.open(PropertiesMode::Page);
    folder.runner.beforeAnswer = rig.runner.beforeAnswer;
    folder.runner.expect(ScriptedRunner::chooseFile(link));
    folder.click("cmdVar1SourceFile");
    QCOMPARE(folder.find<QLineEdit>("txtVar1SourceFile")->text(), dir.filePath("links"));

    PropsRig button;
    button.open(PropertiesMode::ToolRunButton, 0);
    button.runner.beforeAnswer = rig.runner.beforeAnswer;
    button.runner.expect(ScriptedRunner::chooseFile(picture));
    button.click("cmdBrowseDown");
    QCOMPARE(button.find<QLineEdit>("txtFileDown")->text(), picture);

    QCOMPARE(
        filters,
        (QStringList{"Load File|HTML Files (*.htm *.html)", "Load File|HTML Files (*.htm *.html)",
                     "Load File|Favorites Files (*.url)",
                     "Load Picture|All Picture Files (*.gif *.jpg *.jpeg *.bmp *.dib *.ico "
                     "*.png)"}));
    QVERIFY(!native);
}

void FrmPropsTest::buttonProperties()
{
    PropsRig rig;
    rig.lists.toolNav[2].Icon = QStringLiteral("stop-red.gif");
    rig.open(PropertiesMode::ToolNavButton, 2);
    QCOMPARE(rig.find<QLineEdit>("txtFileName")->text(), QStringLiteral("stop-red.gif"));
    auto* visible = rig.find<QCheckBox>("chkVisible");
    QVERIFY(visible->isChecked() && rig.find("txtHelpTip")->isEnabled());
    visible->click();
    QVERIFY(!rig.find("txtHelpTip")->isEnabled() && !rig.find("cmdBrowse")->isEnabled());
    rig.find<QLineEdit>("txtHelpTip")->setText(QStringLiteral("Stop loading"));
    rig.click("cmdOK");
    const ToolButton& b = rig.lists.toolNav.at(2);
    QVERIFY(!b.Visible);
    QCOMPARE(b.HelpTip, QStringLiteral("Stop loading"));
    QCOMPARE(b.Icon, QStringLiteral("stop-red.gif"));

    PropsRig box;
    box.open(PropertiesMode::ToolNavAddressBox, 11);
    box.find<QCheckBox>("chkVisible")->click();
    box.click("cmdOK");
    QVERIFY(!box.lists.toolNavUrlVisible);
}

void FrmPropsTest::cancelKeepsNothing()
{
    PropsRig rig;
    const PageEntry before = rig.lists.pages.at(0);
    rig.open(PropertiesMode::Page);
    rig.find<QLineEdit>("txtURL")->setText(QStringLiteral("http://changed.example/"));
    rig.find<QCheckBox>("chkDefaultTime")->click();
    QVERIFY(rig.find("txtTime")->isEnabled());
    // The spinner's up arrow adds a second.
    rig.find<QScrollBar>("updTime")->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(rig.find<QLineEdit>("txtTime")->text(), QStringLiteral("11"));
    QTest::keyClick(rig.dialog.get(), Qt::Key_Escape);
    QCOMPARE(rig.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(rig.lists.pages.at(0).URL, before.URL);
    QCOMPARE(rig.lists.pages.at(0).DefaultTime, before.DefaultTime);

    PropsRig include;
    include.open(PropertiesMode::Include);
    include.find<QLineEdit>("txtURL")->setText(QStringLiteral("http://elsewhere.example/"));
    include.click("cmdCancel");
    QCOMPARE(include.lists.include.at(0), QStringLiteral("http://news.example/"));
    include.open(PropertiesMode::Include);
    include.find<QLineEdit>("txtURL")->setText(QStringLiteral("http://elsewhere.example/"));
    include.click("cmdOK");
    QCOMPARE(include.lists.include.at(0), QStringLiteral("http://elsewhere.example/"));
}

QTEST_MAIN(FrmPropsTest)
#include "frm_props_test.moc"
