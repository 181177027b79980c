// The configuration dialog, found control by control by name, on real document and hive files:
// set-up and the changed mark, the number boxes and spinners, the tab rows, the list editors,
// OK with its checks and saves, the menus, and a round trip through the files. Each tab is
// saved as a picture in $GLASSPANE_TEST_BINARY_DIR/screenshots.

#include "config/model/config_password.h"
#include "config/model/program_options.h"
#include "config/tab_header_strip.h"
#include "config_rig.h"
#include "document/favorites.h"
#include "document/page_variables.h"
#include "engine/screen_saver.h"
#include "platform/log.h"
#include "support/fake_internet.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcutEvent>

using namespace glasspane;

namespace {

const QByteArray kShow = "[Gpane]\r\n"
                         "HomeURL=http://home.example/\r\n"
                         "DefaultTime=10\r\n"
                         "\r\n[Page1]\r\nURL=http://one.example/\r\n"
                         "\r\n[Page2]\r\nURL=http://shown.example/page.html\r\n"
                         "\r\n[Page3]\r\nURL=http://three.example/\r\n";

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Records the shortcut events that keys send, and swallows them: nothing is pressed or
// opened.
struct ShortcutRecorder : QObject
{
    QList<QObject*> events;
    int ambiguous = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        events.append(watched);
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous())
            ++ambiguous;
        return true;
    }
};

} // namespace

class FrmConfigTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsAndMnemonics_data();
    void captionsAndMnemonics();
    void setUpDoesNotMarkChanged();
    void screenSaveDelayClampsToSixty();
    void numberBoxesRefuseSlips_data();
    void numberBoxesRefuseSlips();
    void updateTimeAsStored_data();
    void updateTimeAsStored();
    void tabRowsSwap();
    void enablingRules();
    void pageListEditor();
    void insertedEntries();
    void toolNavAddressBoxStaysLast();
    void emailCheckedOnOK_data();
    void emailCheckedOnOK();
    void closedByTheShowSavesNothing();
    void topmostHandedOverToModalChildren();
    void builtInDocumentAsksWhereToSave();
    void failedSaveKeepsTheDialogOpen();
    void webDocumentIsSavedElsewhere();
    void newAsksToSaveChanges();
    void recentFilesMenu();
    void passwordChangedAtOnce();
    void favorites();
    void screenSaverOffStaysOff();
    void roundTripThroughTheFiles();
    void savedDocumentChecksClean();
    void privateValuesStayOutOfTheLog();
    void mnemonicsReachOneControl();
    void tabKeys();
    void fitsTheScreen();
};

// ---------------------------------------------------------------------------------------------

void FrmConfigTest::captionsAndMnemonics_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    // Each Alt+letter reaches one control of its tab (with the menus): some captions carry
    // their mnemonic elsewhere than first.
    QTest::newRow("home page") << "lblHomePage"
                               << "Add&ress :";
    QTest::newRow("splash") << "lblSplash"
                            << "&Use home page as splash window";
    QTest::newRow("quit option") << "optMouseMove2"
                                 << "&Quit Glasspane";
    QTest::newRow("new window 0") << "optNewWindow0"
                                  << "O&pen in a separate window";
    QTest::newRow("scroll auto") << "optRemoveVertScroll2"
                                 << "Auto dete&ct";
    QTest::newRow("scope") << "optRegKey0"
                           << "&Local machine (all users)";
    QTest::newRow("screen saver") << "chkDefaultSS"
                                  << "&Set Glasspane as current screen saver";
    QTest::newRow("auto login") << "chkAutoLogin"
                                << "Automatic &login after reboot";
    QTest::newRow("domain") << "lblDomain"
                            << "&Domain:";
    QTest::newRow("asap") << "cmdUpdateASAP"
                          << "Update as soo&n as possible";
    QTest::newRow("no products announce") << "chkPrivate"
                                          << "&Check this if you don't want to receive product "
                                             "announcements by e-mail";
    QTest::newRow("site") << "cmdGpane"
                          << "&Visit Glasspane site";
    QTest::newRow("version") << "lblVersion"
                             << "Version 4.35.0";
    QTest::newRow("password") << "cmdPassword"
                              << "Configuration &password";
}

void FrmConfigTest::captionsAndMnemonics()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    ConfigRig rig;
    rig.openDocument(kShow);
    rig.open();
    QWidget* w = rig.find(name);
    QVERIFY(w);
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), caption);
    else
        QCOMPARE(qobject_cast<QAbstractButton*>(w)->text(), caption);
}

void FrmConfigTest::setUpDoesNotMarkChanged()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    QVERIFY(dialog.configLoaded());
    QVERIFY(!dialog.configChanged());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Glasspane - ") + path);
    QCOMPARE(rig.find<QLineEdit>("txtHomePage")->text(), QStringLiteral("http://home.example/"));
    // The page on screen is selected.
    QCOMPARE(rig.find<QListWidget>("lstPageList")->currentRow(), 1);

    rig.find<QCheckBox>("chkRandom")->click();
    QVERIFY(dialog.configChanged());
    // The address box's mnemonic reaches it.
    QApplication::setActiveWindow(&dialog);
    rig.find<QPushButton>("cmdOK")->setFocus();
    QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), rig.find("txtHomePage"));

    // The update as soon as possible changes nothing in the dialog.
    dialog.SelectTab(10);
    rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(2);
    rig.doc.ConfigChanged = false;
    rig.click("cmdUpdateASAP");
    QVERIFY(!dialog.configChanged());
    QVERIFY(!rig.update.UpdateASAPDate.isEmpty());
}

void FrmConfigTest::screenSaveDelayClampsToSixty()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    rig.open();
    auto* spinner = rig.find<QScrollBar>("updScreenSaveTimeOut");
    rig.type("txtScreenSaveTimeOut", "75");
    QCOMPARE(spinner->value(), 1); // the 60-minute end
    QCOMPARE(rig.find<QLineEdit>("txtScreenSaveTimeOut")->text(), QStringLiteral("75"));
    rig.find<QLineEdit>("txtHomePage")->setFocus(); // leaving the box
    QCOMPARE(rig.find<QLineEdit>("txtScreenSaveTimeOut")->text(), QStringLiteral("60"));

    // The spinner's up arrow adds one.
    rig.type("txtScreenSaveTimeOut", "5");
    QCOMPARE(spinner->value(), 56);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(rig.find<QLineEdit>("txtScreenSaveTimeOut")->text(), QStringLiteral("6"));
}

void FrmConfigTest::numberBoxesRefuseSlips_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command"); // the OK button or the File menu's Save
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("refusal"); // "" when accepted
    // A display time that is no number would be 0: the page would stay on screen for good.
    QTest::newRow("letters in the display time")
        << "txtDefaultTime"
        << "1o"
        << "cmdOK" << 1
        << "Default display time: \"1o\" is not a number. Please type a whole number of "
           "seconds, 0 or more.\n\n0 means no automatic advance";
    QTest::newRow("empty display time, saved from the menu")
        << "txtDefaultTime"
        << ""
        << "mnuFile3" << 1
        << "Default display time is empty. Please type a whole number of "
           "seconds, 0 or more.\n\n0 means no automatic advance";
    QTest::newRow("negative screen save delay")
        << "txtScreenSaveTimeOut"
        << "-5"
        << "cmdOK" << 1
        << "Screen save delay cannot be negative (-5). Please type a whole number of minutes, "
           "1 or more.";
    QTest::newRow("letters in the screen save delay, saved as")
        << "txtScreenSaveTimeOut"
        << "xy"
        << "mnuFile4" << 1 << "Screen save delay: \"xy\" is not a number.";
    QTest::newRow("reboot at hour 24") << "txtRebootTimeH"
                                       << "24"
                                       << "cmdOK" << 9
                                       << "Reboot time: 24 is out of range. Please type an hour "
                                          "from 0 to 23.";
    QTest::newRow("letters in the update minutes")
        << "txtUpdateTimeM"
        << "x"
        << "cmdOK" << 10 << "Update time: \"x\" is not a number.";
    // 0 typed is what the user means: no automatic advance.
    QTest::newRow("zero display time typed") << "txtDefaultTime"
                                             << "0"
                                             << "cmdOK" << 0 << "";
    QTest::newRow("fraction") << "txtDefaultTime"
                              << "2.5"
                              << "mnuFile3" << 0 << "";
}

void FrmConfigTest::numberBoxesRefuseSlips()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, command);
    QFETCH(int, tab);
    QFETCH(QString, refusal);
    ConfigRig rig;
    const QString path =
        rig.openDocument("[Gpane]\r\nDefaultTime=10\r\nAutoReboot=Yes\r\nUpdateScheme=2\r\n"
                         "\r\n[Page1]\r\nURL=http://one.example/\r\n");
    frmConfig& dialog = rig.open();
    rig.type(box, text);
    if (text.isEmpty())
        rig.find<QLineEdit>(box)->clear();
    // Every box sits on a tab of its own choosing; the message brings it back.
    dialog.SelectTab(tab == 6 ? 7 : 6);
    if (!refusal.isEmpty())
        rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    else if (command == QLatin1String("mnuFile4"))
        rig.modal.expect(ScriptedRunner::chooseFile(path));
    if (command.startsWith(QLatin1String("mnu")))
        rig.action(command)->trigger();
    else
        rig.click(command);
    QVERIFY(rig.modal.allAnswered());

    if (refusal.isEmpty()) {
        QCOMPARE(rig.ini.ReadIni("Gpane", "DefaultTime", path),
                 QString::number(WholeNumber(text).value()));
        return;
    }
    QVERIFY2(rig.modal.shown.value(0).startsWith("messageBox|Glasspane|" + refusal),
             qPrintable(rig.modal.shown.value(0)));
    QCOMPARE(rig.modal.icons.value(0), QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QVERIFY(rig.host.closed.isEmpty());
    QCOMPARE(dialog.currentTab(), tab);
    QCOMPARE(QApplication::focusWidget(), rig.find(box));
    QCOMPARE(rig.find<QLineEdit>(box)->selectedText(), text);
    // Nothing was kept or saved.
    QCOMPARE(rig.ini.ReadIni("Gpane", "DefaultTime", path), QStringLiteral("10"));
    QCOMPARE(rig.doc.DefaultTime, 10);
    QCOMPARE(rig.host.saves, 0);
}

void FrmConfigTest::updateTimeAsStored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<int>("hourSpinner");
    QTest::newRow("bare number") << "7"
                                 << "7"
                                 << "0" << 17;
    QTest::newRow("out of range") << "25:61"
                                  << "1"
                                  << "1" << 23;
}

void FrmConfigTest::updateTimeAsStored()
{
    QFETCH(QString, stored);
    QFETCH(QString, hours);
    QFETCH(QString, minutes);
    QFETCH(int, hourSpinner);
    ConfigRig rig;
    rig.openDocument("[Gpane]\r\nUpdateTime=" + stored.toUtf8() + "\r\n");
    rig.open();
    QCOMPARE(rig.find<QLineEdit>("txtUpdateTimeH")->text(), hours);
    QCOMPARE(rig.find<QLineEdit>("txtUpdateTimeM")->text(), minutes);
    QCOMPARE(rig.find<QScrollBar>("updUpdateTimeH")->value(), hourSpinner);
}

void FrmConfigTest::tabRowsSwap()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    TabHeaderStrip* strip = dialog.tabStrip();
    auto tops = [strip] {
        QList<int> t;
        for (int n = 1; n <= 12; ++n)
            t.append(strip->headerTop(n));
        return t;
    };
    QCOMPARE(tops(), (QList<int>{345, 375, 375, 375, 375, 375, 60, 60, 60, 60, 60, 60}));

    // A click on tab 9's header, in the back row: the rows change places.
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->headerRect(9).center());
    QCOMPARE(dialog.currentTab(), 9);
    QCOMPARE(strip->frontRow(), 2);
    QCOMPARE(tops(), (QList<int>{60, 60, 60, 60, 60, 60, 375, 375, 345, 375, 375, 375}));
    QVERIFY(rig.find("picConfig9")->isVisible());
    QVERIFY(!rig.find("picConfig1")->isVisible());
    QVERIFY(rig.action("mnuTab8")->isChecked());
    QVERIFY(!rig.action("mnuTab0")->isChecked());

    // Within the front row only two headers move; the Tab menu leads there too.
    rig.action("mnuTab7")->trigger();
    QCOMPARE(tops(), (QList<int>{60, 60, 60, 60, 60, 60, 375, 345, 375, 375, 375, 375}));
    QCOMPARE(rig.host.shownBars, QList<ToolBar>{ToolBar::Nav});
    // The checked item of the tab shown stays checked when chosen again.
    rig.action("mnuTab7")->trigger();
    QVERIFY(rig.action("mnuTab7")->isChecked());
    QCOMPARE(rig.find<QLabel>("txtToolRunLeft")->text(), QStringLiteral("100"));
    QCOMPARE(rig.find<QLabel>("txtToolNavLeft")->text(), QString());
}

void FrmConfigTest::enablingRules()
{
    ConfigRig rig;
    rig.openDocument("[Gpane]\r\nTestURLIsHomePage=Yes\r\nAutoReboot=No\r\nUpdateScheme=0\r\n");
    rig.open();
    QVERIFY(!rig.find("txtTestURL")->isEnabled());
    QVERIFY(rig.find<QCheckBox>("chkTestURLIsHomePage1")->isChecked());
    rig.find<QCheckBox>("chkTestURLIsHomePage1")->click();
    QVERIFY(!rig.find<QCheckBox>("chkTestURLIsHomePage0")->isChecked());
    QVERIFY(rig.find("txtTestURL")->isEnabled());

    QVERIFY(!rig.find("txtRebootTimeH")->isEnabled());
    QVERIFY(!rig.find("chkAutoLogin")->isEnabled());
    rig.click("chkReboot");
    QVERIFY(rig.find("txtRebootTimeH")->isEnabled());
    QVERIFY(rig.find("chkAutoLogin")->isEnabled());
    QVERIFY(!rig.find("txtUserName")->isEnabled());
    rig.click("chkAutoLogin");
    QVERIFY(rig.find("txtUserName")->isEnabled());
    // Linux's automatic login needs no password: the box is never shown.
    QVERIFY(rig.find("txtPassword")->isHidden());

    // "Always off-line" uses neither the update times nor a connection test.
    rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(1);
    QVERIFY(!rig.find("txtMaxTime")->isEnabled());
    QVERIFY(!rig.find("txtTestURL")->isEnabled());
    QVERIFY(!rig.find("cmdUpdateASAP")->isEnabled());
    rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(4);
    QVERIFY(rig.find("txtUpdateDelay")->isEnabled());
    QVERIFY(rig.find("txtUpdateTimeH")->isEnabled());
    QVERIFY(rig.find("cmdUpdateASAP")->isEnabled());

    // The splash box's caption is a label of its own: a click on it ticks the box.
    QTest::mouseClick(rig.find("lblSplash"), Qt::LeftButton);
    QVERIFY(rig.find<QCheckBox>("chkSplash")->isChecked());

    rig.find<QRadioButton>("optMouseMove2")->click();
    QCOMPARE(
        rig.find<QLabel>("lblToolRun")->text(),
        QStringLiteral("Tool Run is not visible because Glasspane quits when the mouse moves"));
}

void FrmConfigTest::pageListEditor()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    auto* list = rig.find<QListWidget>("lstPageList");

    // Delete the last: the new last is selected; Down is not offered there.
    list->setCurrentRow(2);
    rig.click("cmdListDelete");
    QCOMPARE(items(list), (QStringList{"http://one.example/", "http://shown.example/page.html"}));
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(!rig.find("cmdListDown")->isEnabled());
    QVERIFY(rig.find("cmdListUp")->isEnabled());
    rig.click("cmdListUp");
    QCOMPARE(items(list), (QStringList{"http://shown.example/page.html", "http://one.example/"}));
    QCOMPARE(list->currentRow(), 0);

    // Delete down to nothing: no selection, no Up or Down.
    rig.click("cmdListDelete");
    rig.click("cmdListDelete");
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(!rig.find("cmdListUp")->isEnabled());
    QVERIFY(!rig.find("cmdListDown")->isEnabled());

    // Grab takes the page on screen.
    rig.click("cmdListGrab");
    QCOMPARE(items(list), QStringList{rig.host.address});
    QCOMPARE(dialog.workingLists().pages.first().DefaultTime, true);

    // View of a page with a variable steps through its values, then starts over.
    rig.dialogs.onProperties = [](int, int index, WorkingLists& lists) {
        lists.pages[index].URL = QStringLiteral("http://v.example/$$");
        lists.pages[index].Var1Type = VarList;
        lists.pages[index].Var1Source = QStringLiteral("a|b");
        return true;
    };
    rig.click("cmdListProps");
    QCOMPARE(items(list), QStringList{"http://v.example/$$"});
    for (int i = 0; i < 3; ++i)
        rig.click("cmdListView");
    QCOMPARE(rig.host.shownPages,
             (QStringList{"http://v.example/a", "http://v.example/b", "http://v.example/a"}));
}

void FrmConfigTest::insertedEntries()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    rig.open();
    auto* list = rig.find<QListWidget>("lstPageList");
    auto* include = rig.find<QListWidget>("lstInclude");
    list->setCurrentRow(1);

    // Insert, then Cancel in its properties: no row is left, the selection is back.
    rig.click("cmdListInsert");
    QCOMPARE(rig.dialogs.properties, (QList<QPair<int, int>>{{1, 1}}));
    QCOMPARE(items(list), (QStringList{"http://one.example/", "http://shown.example/page.html",
                                       "http://three.example/"}));
    QCOMPARE(list->currentRow(), 1);
    rig.click("cmdIncInsert");
    QCOMPARE(rig.dialogs.properties.last(), (QPair<int, int>{2, 0}));
    QCOMPARE(include->count(), 0);
    QVERIFY(!rig.doc.ConfigChanged);

    // With OK the new entry stands before the selected one, selected; left without an address
    // it is dropped when the options are kept.
    rig.dialogs.onProperties = [](int, int, WorkingLists&) { return true; };
    rig.click("cmdListInsert");
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->currentRow(), 1);
    rig.click("cmdIncInsert");
    QCOMPARE(include->count(), 1);
    QVERIFY(rig.doc.ConfigChanged);

    rig.click("cmdOK");
    QCOMPARE(rig.host.closed, QList<bool>{true});
    QCOMPARE(rig.doc.pageCount(), 3);
    QVERIFY(rig.doc.IncludeList.isEmpty());
    QCOMPARE(IniFiles::ReadSectionList(path, ",").count(QStringLiteral("Page")), 3);
}

void FrmConfigTest::toolNavAddressBoxStaysLast()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    rig.open();
    auto* list = rig.find<QListWidget>("lstToolNav");
    QCOMPARE(list->count(), ToolNavCount + 1);
    QCOMPARE(list->item(ToolNavCount)->text(), QStringLiteral("URL"));
    list->setCurrentRow(ToolNavCount);
    QVERIFY(!rig.find("cmdToolNavUp")->isEnabled());
    QVERIFY(!rig.find("cmdToolNavDown")->isEnabled());
    rig.click("cmdToolNavProps");
    QCOMPARE(rig.dialogs.properties.last(), (QPair<int, int>{6, ToolNavCount}));
    // The last button cannot go below it.
    list->setCurrentRow(ToolNavCount - 1);
    QVERIFY(rig.find("cmdToolNavUp")->isEnabled());
    QVERIFY(!rig.find("cmdToolNavDown")->isEnabled());
    rig.click("cmdToolNavProps");
    QCOMPARE(rig.dialogs.properties.last(), (QPair<int, int>{5, ToolNavCount - 1}));
}

void FrmConfigTest::emailCheckedOnOK_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("shortest") << "a@b.c" << true;
    QTest::newRow("no dot after at") << "a.b@c" << false;
    QTest::newRow("empty is fine") << "" << true;
}

void FrmConfigTest::emailCheckedOnOK()
{
    QFETCH(QString, email);
    QFETCH(bool, accepted);
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    rig.find<QLineEdit>("txtEMail")->setText(email);
    if (!accepted)
        rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdOK");
    QVERIFY(rig.modal.allAnswered());
    if (accepted) {
        QCOMPARE(rig.host.closed, QList<bool>{true});
        return;
    }
    QCOMPARE(rig.modal.shown, QStringList{"messageBox|Error|Incorrect e-mail address !"});
    QCOMPARE(dialog.currentTab(), 12);
    QVERIFY(dialog.isVisible());
    QVERIFY(rig.host.closed.isEmpty());
    // Nothing was saved.
    QVERIFY(rig.ini.ReadIni("About", "1", path).isEmpty());
}

// Closed from outside (nobody used it for the idle time, the show takes over): a Cancel, with a
// line saying the edits were dropped; nothing reaches the document.
void FrmConfigTest::closedByTheShowSavesNothing()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    rig.find<QLineEdit>("txtHomePage")->setText(QStringLiteral("http://elsewhere.example/"));
    QVERIFY(dialog.configChanged());
    dialog.setProperty(kDialogClosedBecause, QStringLiteral("the show takes over"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("the configuration dialog was closed \\(the show takes "
                                            "over\\): its edits were dropped, nothing saved"));
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rig.host.closed, QList<bool>{false});
    QCOMPARE(rig.ini.ReadIni("Gpane", "HomeURL", path), QStringLiteral("http://home.example/"));
    QVERIFY(!rig.doc.ConfigChanged);
}

void FrmConfigTest::topmostHandedOverToModalChildren()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    dialog.setTopmost(true);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QList<bool> topmostWhileOpen;
    rig.modal.beforeAnswer = [&](QDialog&) {
        topmostWhileOpen.append(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    };
    rig.find<QLineEdit>("txtEMail")->setText(QStringLiteral("nobody"));
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdOK");
    QCOMPARE(topmostWhileOpen, QList<bool>{false});
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(rig.host.raises, 1);
}

void FrmConfigTest::builtInDocumentAsksWhereToSave()
{
    ConfigRig rig;
    const QString builtIn = rig.program.resourceFolder + QStringLiteral("/Gpane.GPN");
    QVERIFY(writeFileBytes(builtIn, kShow));
    rig.program.documentPath = builtIn;
    PrepareDocumentSource(rig.services, rig.doc);
    QVERIFY(LoadDocument(rig.services, rig.doc, builtIn, rig.program.documentName));
    QCOMPARE(rig.program.documentSource, DocumentSource::Resource);
    frmConfig& dialog = rig.open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Glasspane - <Resource>"));
    QVERIFY(!rig.action("mnuFile3")->isEnabled());
    rig.find<QLineEdit>("txtHomePage")->setText(QStringLiteral("http://edited.example/"));

    // Cancelled: nothing is lost, the dialog stays.
    rig.modal.expect(ScriptedRunner::chooseFile(QString()));
    rig.click("cmdOK");
    QVERIFY(rig.modal.allAnswered());
    QVERIFY(dialog.isVisible());
    QCOMPARE(rig.find<QLineEdit>("txtHomePage")->text(), QStringLiteral("http://edited.example/"));
    QCOMPARE(rig.ini.ReadIni("Gpane", "HomeURL", builtIn), QStringLiteral("http://home.example/"));

    // A name that exists is replaced only when the user says so.
    const QString target = rig.dir.filePath(QStringLiteral("kiosk.gpn"));
    QVERIFY(writeFileBytes(target, "[Gpane]\r\n"));
    rig.modal.expect(ScriptedRunner::chooseFile(target));
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Yes));
    rig.click("cmdOK");
    QVERIFY2(rig.modal.allAnswered(), qPrintable(rig.modal.shown.join('\n')));
    QCOMPARE(rig.modal.shown.at(1), QStringLiteral("fileDialog|File Save As|"));
    QVERIFY(rig.modal.shown.at(2).endsWith(QStringLiteral("kiosk.gpn already exists.\nDo you want "
                                                          "to replace it?")));
    QCOMPARE(rig.host.closed, QList<bool>{true});
    QCOMPARE(rig.ini.ReadIni("Gpane", "HomeURL", target), QStringLiteral("http://edited.example/"));
    QCOMPARE(rig.program.documentPath, target);
}

void FrmConfigTest::failedSaveKeepsTheDialogOpen()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    // The document's folder is gone and a file stands in its place.
    const QString blocker = rig.dir.filePath(QStringLiteral("gone"));
    QVERIFY(writeFileBytes(blocker, "x"));
    rig.program.documentPath = blocker + QStringLiteral("/show.gpn");
    rig.program.documentName = rig.program.documentPath;
    frmConfig& dialog = rig.open();
    rig.find<QLineEdit>("txtHomePage")->setText(QStringLiteral("http://edited.example/"));
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdOK");
    QVERIFY(rig.modal.allAnswered());
    QCOMPARE(rig.modal.shown.size(), 1);
    QVERIFY2(rig.modal.shown.first().contains(QStringLiteral("could not be saved")) &&
                 rig.modal.shown.first().contains(QStringLiteral("is not a folder")),
             qPrintable(rig.modal.shown.first()));
    QVERIFY(dialog.isVisible());
    QVERIFY(rig.host.closed.isEmpty());
    QVERIFY(dialog.configChanged());
    QCOMPARE(rig.find<QLineEdit>("txtHomePage")->text(), QStringLiteral("http://edited.example/"));
}

void FrmConfigTest::webDocumentIsSavedElsewhere()
{
    ConfigRig rig;
    FakeInternet internet;
    rig.services.internet = &internet;
    const QString address = QStringLiteral("http://127.0.0.1:8/kiosk.gpn");
    internet.setPage(address, "[Gpane]\r\nHomeURL=http://from-the-web.example/\r\n");
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();

    // File > Open from the Web: the address typed in the location box.
    rig.modal.expect(
        ScriptedRunner::fill({{QStringLiteral("txtLoc"), address}}, QStringLiteral("cmdOK")));
    rig.action("mnuFile2")->trigger();
    QCOMPARE(rig.program.documentSource, DocumentSource::Web);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Glasspane - ") + address);
    QCOMPARE(rig.find<QLineEdit>("txtHomePage")->text(),
             QStringLiteral("http://from-the-web.example/"));
    QVERIFY(!rig.action("mnuFile3")->isEnabled());
    QCOMPARE(rig.host.replaced, 1);

    // OK does not put the edits into the local copy, which the next fetch replaces.
    const QString copy = rig.program.documentPath;
    rig.find<QLineEdit>("txtHomePage")->setText(QStringLiteral("http://edited.example/"));
    const QString target = rig.dir.filePath(QStringLiteral("mine.gpn"));
    rig.modal.expect(ScriptedRunner::chooseFile(target));
    rig.click("cmdOK");
    QVERIFY2(rig.modal.allAnswered(), qPrintable(rig.modal.shown.join('\n')));
    QCOMPARE(rig.ini.ReadIni("Gpane", "HomeURL", copy),
             QStringLiteral("http://from-the-web.example/"));
    QCOMPARE(rig.ini.ReadIni("Gpane", "HomeURL", target), QStringLiteral("http://edited.example/"));
    QCOMPARE(rig.host.closed, QList<bool>{true});
}

void FrmConfigTest::newAsksToSaveChanges()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    rig.find<QCheckBox>("chkAutoLoop")->click();
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Cancel));
    rig.action("mnuFile0")->trigger();
    QCOMPARE(rig.modal.shown, QStringList{"messageBox|Confirm|Save changes to \"" + path + "\"?"});
    QCOMPARE(rig.program.documentPath, path);
    QVERIFY(dialog.configChanged());

    // No: a new document, and the dialog shows it.
    rig.modal.expect(ScriptedRunner::press(QMessageBox::No));
    rig.action("mnuFile0")->trigger();
    QCOMPARE(QFileInfo(rig.program.documentPath).fileName(), QStringLiteral("NoName.gpn"));
    QCOMPARE(rig.find<QListWidget>("lstPageList")->count(), 0);
    QVERIFY(!dialog.configChanged());
    QVERIFY(dialog.windowTitle().endsWith(QStringLiteral("NoName.gpn")));
    QCOMPARE(rig.host.replaced, 1);
}

void FrmConfigTest::recentFilesMenu()
{
    ConfigRig rig;
    const QString first = rig.openDocument(kShow, QStringLiteral("first.gpn"));
    const QString second = rig.openDocument(kShow, QStringLiteral("second.gpn"));
    rig.open();
    QCOMPARE(rig.action("mnuHelp3")->text(), QStringLiteral("Glasspane on the internet"));
    QCOMPARE(rig.action("mnuFile6")->text(), QStringLiteral("&1 ") + second);
    QCOMPARE(rig.action("mnuFile7")->text(), QStringLiteral("&2 ") + first);
    QVERIFY(rig.action("mnuFile7")->isVisible());
    QVERIFY(!rig.action("mnuFile8")->isVisible());
    QVERIFY(rig.action("mnuFile16")->isVisible());
    rig.action("mnuFile7")->trigger();
    QCOMPARE(rig.program.documentPath, first);
    QCOMPARE(rig.action("mnuFile6")->text(), QStringLiteral("&1 ") + first);
}

void FrmConfigTest::passwordChangedAtOnce()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    dialog.SelectTab(12);
    // A wrong confirmation first, then the new password twice.
    rig.modal.expect(ScriptedRunner::fill({{"txtNewPass1", "Kiosk1"}, {"txtNewPass2", "kiosk1"}},
                                          QStringLiteral("cmdOK")));
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.click("cmdPassword");
    QCOMPARE(rig.modal.shown.at(0), QStringLiteral("frmPassword|Change password|"));
    QCOMPARE(rig.modal.shown.at(1),
             QStringLiteral(
                 "messageBox|Glasspane|Change password failed:\r\nPasswords are different !"));
    QVERIFY(rig.lock.storedPassword.isEmpty());

    rig.modal.expect(ScriptedRunner::fill({{"txtNewPass1", "Kiosk1"}, {"txtNewPass2", "Kiosk1"}},
                                          QStringLiteral("cmdOK")));
    rig.click("cmdPassword");
    QVERIFY(rig.modal.allAnswered());
    QVERIFY(PasswordMatches(rig.lock.storedPassword, QStringLiteral("Kiosk1")));
    QVERIFY(rig.lock.isUnlocked());
    const QString stored = rig.settings.read(keys::Password);
    QCOMPARE(stored, rig.lock.storedPassword);
    // Not a change of the configuration; Cancel does not undo it, but drops the real changes.
    QVERIFY(!dialog.configChanged());
    rig.click("chkRandom");
    QVERIFY(dialog.configChanged());
    rig.click("cmdCancel");
    QCOMPARE(rig.host.closed, QList<bool>{false});
    QVERIFY(!rig.doc.ConfigChanged);
    QCOMPARE(rig.settings.read(keys::Password), stored);
}

void FrmConfigTest::favorites()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    rig.open();
    const QString folder = FavoritesFolder(rig.registry, rig.shell);
    QVERIFY(QDir().mkpath(folder + QStringLiteral("News")));

    // The program's own start page is gone at exit: no favourite leads to it.
    const QString shown = rig.host.address;
    rig.host.address = rig.program.resourceFolder + QStringLiteral("/index.html");
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.action("mnuFavorites0")->trigger();
    QVERIFY(rig.modal.allAnswered());
    QVERIFY(rig.modal.shown.takeFirst().startsWith(
        QStringLiteral("messageBox|Glasspane|The page on screen is one of Glasspane's own pages")));
    QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
    rig.host.address = shown;

    rig.modal.expect([](QDialog& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("cboFolder"))->setCurrentIndex(1);
        dialog.accept();
        return dialog.result();
    });
    rig.action("mnuFavorites0")->trigger();
    QCOMPARE(rig.modal.shown.first(), QStringLiteral("frmAddFavorite|Add to favorites|"));
    QCOMPARE(
        rig.ini.ReadIni("InternetShortcut", "URL", folder + QStringLiteral("News/Shown page.url")),
        rig.host.address);

    rig.action("mnuFavorites1")->trigger();
    QCOMPARE(rig.shell.openedExternally(), QStringList{folder});
    rig.shell.setOpenExternallyResult(false);
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.action("mnuFavorites1")->trigger();
    QVERIFY(rig.modal.allAnswered());
}

void FrmConfigTest::screenSaverOffStaysOff()
{
    // Glasspane is the screen saver already; the user turns restarting after inactivity off.
    ConfigRig rig;
    RegistryLayer layer(rig.registry);
    QVERIFY(
        layer.RegWrite(RegRoot::CurrentUser, kDesktopKey, "SCRNSAVE.EXE", rig.program.programPath));
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kDesktopKey, "ScreenSaveActive", "1"));
    rig.host.saver.IsSystemSaver = true;
    rig.openDocument(kShow);
    rig.open();
    QVERIFY(rig.find<QCheckBox>("chkDefaultSS")->isChecked());
    QVERIFY(!rig.find("chkDefaultSS")->isEnabled());
    QCOMPARE(rig.find<QLabel>("lblDefaultSS")->text(),
             QStringLiteral("Current screen saver is Glasspane"));
    rig.click("chkScreenSaveActive");
    rig.click("cmdOK");
    QCOMPARE(rig.host.closed, QList<bool>{true});
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kDesktopKey, "ScreenSaveActive"), "0");
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kDesktopKey, "SCRNSAVE.EXE"),
             rig.program.programPath);
}

void FrmConfigTest::roundTripThroughTheFiles()
{
    ConfigRig rig;
    // Options in HKLM at first; the dialog moves them to the document and the user's hive.
    rig.settings.setRegKeyRoot(SettingsLocation::HKLM);
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    auto select = [&](int tab) { dialog.SelectTab(tab); };
    auto check = [&](const char* name, bool on) {
        auto* box = rig.find<QCheckBox>(name);
        if (box->isChecked() != on)
            box->click();
    };

    select(1);
    rig.type("txtHomePage", "http://new-home.example/");
    check("chkAutoHome", true);
    check("chkSplash", true);
    rig.find<QRadioButton>("optMouseMove1")->click();
    rig.type("txtScreenSaveTimeOut", "12");
    rig.type("txtDefaultTime", "25");
    check("chkAutoLoop", false);
    check("chkFirstPageIsLastPage", false);
    select(2);
    check("chkFullScreen", false);
    check("chkTopMost", true);
    rig.find<QRadioButton>("optRemoveVertScroll2")->click();
    rig.find<QRadioButton>("optNewWindow1")->click();
    check("chkRandom", true);
    select(3);
    rig.find<QListWidget>("lstPageList")->setCurrentRow(0);
    rig.click("cmdListDelete");
    rig.host.address = QStringLiteral("http://grabbed.example/");
    rig.click("cmdListGrab");
    select(4);
    rig.click("cmdIncGrab");
    select(5);
    rig.host.address = QStringLiteral("http://grabbed.example/private/");
    rig.click("cmdExcGrab");
    select(6);
    rig.find<QRadioButton>("optRegKey1")->click();
    check("chkDefaultSS", true);
    check("chkDefaultProgram", true);
    check("chkDefaultFile", true);
    select(7);
    rig.find<QListWidget>("lstToolRun")->setCurrentRow(ToolRunQuit);
    rig.click("cmdToolRunUp");
    check("chkToolRunLocked", true);
    select(8);
    rig.find<QListWidget>("lstToolNav")->setCurrentRow(0);
    rig.click("cmdToolNavDown");
    check("chkToolNavLocked", true);
    select(9);
    check("chkReboot", true);
    rig.type("txtRebootTimeH", "4");
    rig.type("txtRebootTimeM", "30");
    check("chkForceReboot", true);
    check("chkAutoLogin", true);
    rig.type("txtUserName", "kiosk");
    rig.type("txtDomain", "HALL");
    select(10);
    rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(4);
    rig.type("txtUpdateTimeH", "3");
    rig.type("txtUpdateTimeM", "15");
    rig.type("txtUpdateDelay", "10");
    rig.type("txtMaxTime", "2");
    check("chkForceReconnect", true);
    check("chkTestURLIsHomePage1", false);
    rig.type("txtTestURL", "http://probe.example/");
    select(11);
    rig.type("txtHelpURL", "/srv/kiosk/help.html");
    check("chkHelpEnabled", false);
    select(12);
    rig.type("txtEMail", "admin@example.org");
    check("chkPrivate", true);

    rig.click("cmdOK");
    QVERIFY2(rig.modal.allAnswered(), qPrintable(rig.modal.shown.join('\n')));
    QCOMPARE(rig.host.closed, QList<bool>{true});
    QCOMPARE(rig.host.windowStates.last(),
             (QPair<MainWindowState, bool>{MainWindowState::Window, true}));

    // Everything again from the disk, with new objects.
    RegHiveRegistry registry(RegHivePaths{rig.dir.filePath("user.reg"),
                                          rig.dir.filePath("machine/machine.reg"),
                                          rig.dir.filePath("machine/classes.reg")});
    IniFiles ini;
    ProgramValues program = rig.program;
    SettingsStore settings(registry, ini, program, rig.system);
    DocumentState doc;
    DocumentServices services{ini,       settings, program, rig.shell, registry,
                              rig.clock, nullptr,  {},      {},        {}};
    settings.ReadRegKeyRoot();
    QVERIFY(LoadDocument(services, doc, path, path));
    QCOMPARE(settings.RegKeyRoot(), SettingsLocation::HKCU);
    QCOMPARE(settings.ParamsLocation(), SettingsLocation::Document);
    const ProgramOptions o = ReadProgramOptions(settings);

    QCOMPARE(doc.HomeURL, QStringLiteral("http://new-home.example/"));
    QVERIFY(doc.AutoHome);
    QVERIFY(doc.HomeAsSplash);
    QCOMPARE(o.OnMouseMove, MouseMoveAction::NavigationMode);
    QCOMPARE(o.ScreenSaveTimeOut, 12 * 60);
    QCOMPARE(doc.DefaultTime, 25);
    QVERIFY(!doc.AutoLoop);
    QVERIFY(!o.FirstPageIsLastPage);
    QCOMPARE(o.WindowState, MainWindowState::Window);
    QVERIFY(o.TopMost);
    QCOMPARE(o.RemoveVertScroll, 2);
    QCOMPARE(o.OnNewWindow, 1);
    QVERIFY(o.RandomMode);
    QStringList pages;
    for (int i = 1; i < doc.PageList.size(); ++i)
        pages.append(doc.PageList.at(i).URL);
    // Grab put its page before the selected one, where the deleted first page was.
    QCOMPARE(pages, (QStringList{"http://grabbed.example/", "http://shown.example/page.html",
                                 "http://three.example/"}));
    QCOMPARE(doc.IncludeList, QStringList{"http://grabbed.example/"});
    QCOMPARE(doc.ExcludeList, QStringList{"http://grabbed.example/private/"});
    QCOMPARE(doc.ToolRunButtons.at(ToolRunQuit).Position, ToolRunQuit - 1);
    QCOMPARE(doc.ToolRunButtons.at(ToolRunNext).Position, ToolRunQuit);
    QCOMPARE(doc.ToolNavButtons.at(ToolNavBack).Position, 1);
    QCOMPARE(doc.ToolNavButtons.at(ToolNavForward).Position, 0);
    QVERIFY(o.ToolRunLocked);
    QVERIFY(o.ToolNavLocked);
    QVERIFY(o.AutoReboot);
    QCOMPARE(o.RebootTime, QStringLiteral("04:30"));
    QVERIFY(o.ForceReboot);
    QVERIFY(o.AutoLogin);
    QCOMPARE(o.NTLogin, QStringLiteral("kiosk"));
    QCOMPARE(o.NTDomain, QStringLiteral("HALL"));
    QCOMPARE(o.UpdateScheme, 4);
    QCOMPARE(o.UpdateTime, QStringLiteral("03:15"));
    QCOMPARE(o.UpdateDelay, 600);
    QCOMPARE(o.MaxTime, 120);
    QVERIFY(o.ForceReconnect);
    QVERIFY(!o.TestURLIsHomePage);
    QCOMPARE(o.TestURL, QStringLiteral("http://probe.example/"));
    QVERIFY(!o.HelpEnabled);
    QCOMPARE(o.HelpURL, QStringLiteral("/srv/kiosk/help.html"));
    QCOMPARE(o.EMail, QStringLiteral("admin@example.org"));
    QVERIFY(o.DontUseEMail);

    // Each in its own place: parameters in the document, general options in the user's hive,
    // the screen saver and the file type where the system side reads them.
    QCOMPARE(ini.ReadIni("Gpane", "UpdateScheme", path), QStringLiteral("4"));
    QCOMPARE(ini.ReadIni("Gpane", "RandomMode", path), QStringLiteral("Yes"));
    RegistryLayer layer(registry);
    const QString user = settings.userPath();
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, user, "EMail"), "admin@example.org");
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, user, "TestURL"), "http://probe.example/");
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, user, "DefaultFile"), path);
    QCOMPARE(layer.RegRead(RegRoot::LocalMachine, settings.machinePath(), "ParamsLocation"), "1");
    QVERIFY(layer.RegRead(RegRoot::CurrentUser, user, "NTPassword").isEmpty());
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kDesktopKey, "SCRNSAVE.EXE"),
             rig.program.programPath);
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kDesktopKey, "ScreenSaveActive"), "1");
    QCOMPARE(ini.ReadIni("boot", "SCRNSAVE.EXE", rig.program.windowsFolder + "SYSTEM.INI"),
             rig.program.programPath);
    QVERIFY(!AssociationNeeded(registry, rig.shell, rig.program.programPath));
    QVERIFY(settings.readNumbered(Setting::RecentFile).contains(path));
}

// A document as the dialog saves it, with a page of its own time, a reboot and a daily update:
// the administrators' checker finds nothing to say about it.
void FrmConfigTest::savedDocumentChecksClean()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    rig.type("txtDefaultTime", "25");
    rig.find<QCheckBox>("chkRandom")->click();
    dialog.SelectTab(3);
    rig.find<QListWidget>("lstPageList")->setCurrentRow(0);
    rig.dialogs.onProperties = [](int, int index, WorkingLists& lists) {
        lists.pages[index].DefaultTime = false;
        lists.pages[index].Time = 40;
        return true;
    };
    rig.click("cmdListProps");
    rig.host.address = QStringLiteral("http://grabbed.example/");
    rig.click("cmdListGrab");
    dialog.SelectTab(9);
    rig.find<QCheckBox>("chkReboot")->click();
    rig.type("txtRebootTimeH", "4");
    rig.type("txtRebootTimeM", "30");
    dialog.SelectTab(10);
    rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(4);
    rig.type("txtUpdateTimeH", "3");
    rig.type("txtUpdateTimeM", "5");
    rig.click("cmdOK");
    QVERIFY2(rig.modal.allAnswered(), qPrintable(rig.modal.shown.join('\n')));
    QCOMPARE(rig.host.closed, QList<bool>{true});

    const GpaneRun check = RunGpane({QStringLiteral("check"), path});
    QVERIFY2(check.output.isEmpty() && check.errors.isEmpty(),
             qPrintable(check.output + check.errors));
    QCOMPARE(check.exitCode, 0);
    // Grab put the new page first: the page given its own time is the second.
    QCOMPARE(rig.ini.ReadIni("Page2", "Time", path), QStringLiteral("40"));
}

void FrmConfigTest::privateValuesStayOutOfTheLog()
{
    static QStringList log;
    log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { log.append(text); });
    enableVerboseLog();

    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    dialog.SelectTab(12);
    rig.modal.expect(ScriptedRunner::fill(
        {{"txtNewPass1", "Pa55word"}, {"txtNewPass2", "Pa55word"}}, QStringLiteral("cmdOK")));
    rig.click("cmdPassword");
    rig.type("txtEMail", "secret.person@example.org");
    dialog.SelectTab(9);
    rig.click("chkReboot");
    rig.click("chkAutoLogin");
    rig.type("txtUserName", "hiddenuser");
    rig.click("cmdOK");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QStringLiteral("glasspane*=false"));

    QCOMPARE(rig.host.closed, QList<bool>{true});
    QVERIFY2(log.join('\n').contains(QStringLiteral("option TestURL")), "the save is logged");
    const QString all = log.join('\n');
    for (const QString& secret :
         {QStringLiteral("secret.person"), QStringLiteral("Pa55word"),
          ScramblePassword(QStringLiteral("Pa55word")), QStringLiteral("hiddenuser")})
        QVERIFY2(!all.contains(secret), qPrintable(secret));
}

void FrmConfigTest::mnemonicsReachOneControl()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    ShortcutRecorder recorder;
    qApp->installEventFilter(&recorder);
    QMap<QChar, QStringList> menus;
    for (QAction* menu : rig.find<QMenuBar>("mnuMenu")->actions())
        menus[QChar(QKeySequence::mnemonic(menu->text())[0].key())].append(menu->text());

    for (int n = 1; n <= frmConfig::TabCount; ++n) {
        dialog.SelectTab(n);
        QWidget* page = rig.find(QStringLiteral("picConfig%1").arg(n));
        // Controls that their options disable take the letter when enabled: counted too.
        for (QWidget* w : page->findChildren<QWidget*>())
            w->setEnabled(true);
        QMap<QChar, QStringList> owners = menus;
        const QMap<QChar, QStringList> onPage = MnemonicOwners(page);
        for (auto it = onPage.begin(); it != onPage.end(); ++it)
            owners[it.key()] += it.value();
        for (char c = 'A'; c <= 'Z'; ++c) {
            const QStringList named = owners.value(QChar::fromLatin1(c));
            const QString where = QStringLiteral("tab %1, Alt+%2: %3")
                                      .arg(n)
                                      .arg(QChar::fromLatin1(c))
                                      .arg(named.join(QStringLiteral(", ")));
            QVERIFY2(named.size() <= 1, qPrintable(where));
            recorder.events.clear();
            QTest::keyClick(&dialog, Qt::Key(Qt::Key_A + (c - 'A')), Qt::AltModifier);
            QVERIFY2(recorder.events.size() == named.size(), qPrintable(where));
            QVERIFY2(recorder.ambiguous == 0, qPrintable(where));
        }
    }
    qApp->removeEventFilter(&recorder);
}

void FrmConfigTest::tabKeys()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    const struct
    {
        QWidget* focus;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int tab;
    } steps[] = {
        {rig.find("txtHomePage"), Qt::Key_Tab, Qt::ControlModifier, 2},
        {nullptr, Qt::Key_PageDown, Qt::ControlModifier, 3},
        {rig.find("lstPageList"), Qt::Key_Tab, Qt::ControlModifier, 4},
        {nullptr, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 3},
        {rig.find("lstPageList"), Qt::Key_PageUp, Qt::ControlModifier, 2},
        {nullptr, Qt::Key_PageUp, Qt::ControlModifier, 1},
        // Round the ends.
        {nullptr, Qt::Key_PageUp, Qt::ControlModifier, 12},
        {rig.find("txtEMail"), Qt::Key_Tab, Qt::ControlModifier, 1},
    };
    for (const auto& step : steps) {
        if (step.focus)
            step.focus->setFocus();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, step.key, step.modifiers);
        QCOMPARE(dialog.currentTab(), step.tab);
        QVERIFY(rig.find(QStringLiteral("picConfig%1").arg(step.tab))->isVisible());
    }
}

// OK, Cancel and every button of every tab lie on the screen (the pages scroll where the
// screen is small or the scale factor large), and so do those of a page's properties. Each tab
// is saved as a picture.
void FrmConfigTest::fitsTheScreen()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    rig.update.LastUpdate = QDateTime(QDate(2024, 3, 4), QTime(2, 10));
    frmConfig& dialog = rig.open();
    const QRect screen = dialog.screen()->availableGeometry();
    const QString size = QStringLiteral("%1x%2@%3")
                             .arg(dialog.screen()->size().width())
                             .arg(dialog.screen()->size().height())
                             .arg(dialog.devicePixelRatio());
    auto onScreen = [&screen](QWidget* w) {
        const QRect global(w->mapToGlobal(QPoint(0, 0)), w->size());
        return screen.contains(global) ? QString()
                                       : w->objectName() + QStringLiteral(" lies outside the "
                                                                          "screen");
    };
    QVERIFY2(screen.contains(dialog.frameGeometry()), qPrintable(size));
    const QStringList names = {"general", "layout",  "pages",  "include", "exclude", "default",
                               "toolrun", "toolnav", "reboot", "update",  "help",    "about"};
    for (int n = 1; n <= frmConfig::TabCount; ++n) {
        dialog.SelectTab(n);
        QApplication::processEvents();
        const QString file = screenshotFolder() + QStringLiteral("/config-%1-%2.png")
                                                      .arg(n, 2, 10, QLatin1Char('0'))
                                                      .arg(names.at(n - 1));
        QVERIFY(dialog.grab().save(file));
        auto* area = rig.find<QScrollArea>(QStringLiteral("picConfig%1Scroll").arg(n));
        for (QAbstractButton* b : area->widget()->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(&dialog))
                continue;
            area->ensureWidgetVisible(b, 0, 0);
            QApplication::processEvents();
            QVERIFY2(onScreen(b).isEmpty(), qPrintable(size + u' ' + onScreen(b)));
        }
        for (const char* name : {"cmdOK", "cmdCancel"})
            QVERIFY2(onScreen(rig.find(name)).isEmpty(), qPrintable(size + u' ' + name));
    }

    // The whole screen as well, where the platform can take it (an X server).
    dialog.SelectTab(1);
    QApplication::processEvents();
    if (const QPixmap whole = dialog.screen()->grabWindow(0); !whole.isNull())
        whole.save(screenshotFolder() + QStringLiteral("/config-screen.png"));

    // The tallest properties dialog, a page's.
    rig.dialogs.realProperties = true;
    QStringList problems;
    rig.modal.expect([&](QDialog& props) {
        props.show();
        QApplication::processEvents();
        if (!screen.contains(props.frameGeometry()))
            problems.append(QStringLiteral("the properties dialog lies outside the screen"));
        for (const char* name : {"cmdOK", "cmdCancel"})
            problems.append(onScreen(props.findChild<QWidget*>(name)));
        props.grab().save(screenshotFolder() + QStringLiteral("/properties-page.png"));
        props.reject();
        return int(QDialog::Rejected);
    });
    dialog.SelectTab(3);
    rig.click("cmdListProps");
    QVERIFY(rig.modal.allAnswered());
    problems.removeAll(QString());
    QVERIFY2(problems.isEmpty(), qPrintable(size + u' ' + problems.join(u';')));
}

QTEST_MAIN(FrmConfigTest)
#include "frm_config_test.moc"
