// The two tool bar windows with the engine behind them: button actions, highlight, printing
// messages, the address box, closing, lock styling and placement.

#include "engine/tool_actions.h"
#include "tool_bar_rig.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace glasspane;

namespace {

const QString kTypedUrls = QString::fromLatin1(kTypedUrlsKey);

// A browser that can print but fails when it tries.
class BrokenPrinterBrowser final : public Browser
{
public:
    void setListener(BrowserEvents*) override {}
    void Navigate(const QString&) override {}
    void GoBack() override {}
    void GoForward() override {}
    void Stop() override {}
    void Refresh() override {}
    QString LocationURL() const override { return QStringLiteral("http://a/"); }
    bool Busy() const override { return false; }
    bool Silent() const override { return true; }
    void setSilent(bool) override {}
    bool isVisible() const override { return true; }
    void setVisible(bool) override {}
    void setFocus() override {}
    BodyMetrics bodyMetrics() const override { return {}; }
    void requestBodyMetrics(std::function<void(const BodyMetrics&)>) override {}
    void setBodyScroll(const QString&) override {}
    bool canPrint() const override { return true; }
    bool print(QString* error) override
    {
        *error = QStringLiteral("The printer is out of paper.");
        return false;
    }
};

} // namespace

class ToolBarsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextIgnoredWhileNavigatePreviousNot()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/", "http://b/", "http://c/"});
        rig.start();
        rig.tick(); // INIT
        QCOMPARE(rig.state(), RunState::NAVIGATE);
        QCOMPARE(rig.page(), 1);

        rig.click(rig.runButton(ToolRunNext));
        QCOMPARE(rig.page(), 1);
        QCOMPARE(rig.state(), RunState::NAVIGATE);

        rig.click(rig.runButton(ToolRunPrevious));
        QCOMPARE(rig.page(), 3);
        QCOMPARE(rig.state(), RunState::NAVIGATE);
        rig.tick();
        QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://c/"));
    }

    void previousWhilePausedShowsPageAndStaysPaused()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/", "http://b/", "http://c/"});
        rig.start();
        rig.tick(2); // INIT, NAVIGATE: page 1 shown
        rig.browser.completeLoad();
        rig.clock.advanceSecs(11);
        rig.tick(2); // WAITTIME moves on, NAVIGATE shows page 2
        QCOMPARE(rig.page(), 2);
        QCOMPARE(rig.state(), RunState::WAITTIME);

        rig.click(rig.runButton(ToolRunPause));
        QCOMPARE(rig.state(), RunState::WAITSAVER);
        rig.tick();
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunPause));

        const int before = rig.browser.navigateCalls;
        rig.click(rig.runButton(ToolRunPrevious));
        // Shown at once, without waiting for a tick, and still paused.
        QCOMPARE(rig.browser.navigateCalls, before + 1);
        QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));
        QCOMPARE(rig.page(), 1);
        QCOMPARE(rig.state(), RunState::WAITSAVER);
        QCOMPARE(rig.bars->highlightedBar(), ToolBar::Run);
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunPrevious));
        rig.clock.advanceSecs(60);
        rig.tick(5);
        QCOMPARE(rig.page(), 1);
        QCOMPARE(rig.state(), RunState::WAITSAVER);
    }

    void highlightAndPressedFlag()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        const QImage normal =
            rig.bars->res().picture(ToolBar::Run, ToolRunPlay, frmRes::Face::Normal).toImage();
        const QImage lit =
            rig.bars->res().picture(ToolBar::Run, ToolRunPlay, frmRes::Face::Highlighted).toImage();
        QVERIFY(!normal.isNull());
        QVERIFY(normal != lit);

        rig.tick(2);
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunPlay));
        QCOMPARE(rig.runButton(ToolRunPlay)->picture().toImage(), lit);

        // Held down: the pressed button is lit and the engine's highlight waits.
        PictureButton* config = rig.runButton(ToolRunConfig);
        QTest::mousePress(config, Qt::LeftButton, {}, config->rect().center());
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunConfig));
        QCOMPARE(rig.runButton(ToolRunPlay)->picture().toImage(), normal);
        rig.bars->highlightButton(ToolBar::Run, ToolRunPause);
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunConfig));
        // Let go outside the button: no click, the picture stays, highlighting works again.
        QTest::mouseRelease(config, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(rig.state(), RunState::WAITTIME);
        rig.bars->highlightButton(ToolBar::Run, ToolRunPause);
        QCOMPARE(rig.bars->highlightedIndex(), int(ToolRunPause));
        QCOMPARE(
            config->picture().toImage(),
            rig.bars->res().picture(ToolBar::Run, ToolRunConfig, frmRes::Face::Normal).toImage());

        // "None" on the navigation bar puts the last one back and lights nothing.
        rig.bars->highlightButton(ToolBar::Nav, -1);
        QCOMPARE(
            rig.runButton(ToolRunPause)->picture().toImage(),
            rig.bars->res().picture(ToolBar::Run, ToolRunPause, frmRes::Face::Normal).toImage());
    }

    void grabTwiceAddsTwoEntriesAndWritesDocument()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/", "http://b/"});
        rig.doc.DefaultTime = 25;
        rig.start();
        rig.engine->EnterNavigationMode();
        rig.browser.Navigate(QStringLiteral("http://shown/page.html"));
        rig.browser.completeLoad();

        rig.click(rig.navButton(ToolNavGrab));
        rig.click(rig.navButton(ToolNavGrab));
        QCOMPARE(rig.doc.pageCount(), 4);
        QCOMPARE(rig.doc.playCount(), 4);
        for (int i : {3, 4}) {
            QCOMPARE(rig.doc.PageList[i].URL, QStringLiteral("http://shown/page.html"));
            QVERIFY(rig.doc.PageList[i].DefaultTime);
            QCOMPARE(rig.doc.PageList[i].Time, 25);
            QVERIFY(rig.doc.PageList[i].SeparateProc);
            QCOMPARE(rig.doc.PageList[i].Var1Type, qint16(0));
            QCOMPARE(rig.doc.PlayList[i].URL, QStringLiteral("http://shown/page.html"));
            QCOMPARE(rig.doc.PlayList[i].SourcePage, i);
            QCOMPARE(rig.doc.PlayList[i].Time, 25);
        }
        IniFiles fresh;
        QCOMPARE(fresh.ReadIni("Page3", "URL", rig.program.documentPath),
                 QStringLiteral("http://shown/page.html"));
        QCOMPARE(fresh.ReadIni("Page4", "URL", rig.program.documentPath),
                 QStringLiteral("http://shown/page.html"));
        QCOMPARE(fresh.ReadIni("Page1", "URL", rig.program.documentPath),
                 QStringLiteral("http://a/"));
        // After the action the page has the keyboard again.
        QVERIFY(rig.browser.focusCalls >= 2);
    }

    // Grab changes the document: with a configuration password it asks for it each time, as
    // the way to the configuration dialog does, and adds nothing when it is refused.
    void grabAsksForTheConfigurationPassword()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.lock.storedPassword = QStringLiteral("$argon2id$stored");
        rig.start();
        rig.engine->EnterNavigationMode();
        rig.browser.Navigate(QStringLiteral("http://shown/page.html"));
        rig.browser.completeLoad();
        FakeFrontend& dialogs = rig.frontend.rest;

        dialogs.passwordOutcome = FakeFrontend::PasswordOutcome::Cancel;
        rig.click(rig.navButton(ToolNavGrab));
        QCOMPARE(dialogs.passwordDialogs, 1);
        QCOMPARE(dialogs.passwordModeSeen, PasswordDialogMode::Enter);
        QCOMPARE(rig.doc.pageCount(), 1);
        QVERIFY(IniFiles().ReadIni("Page2", "URL", rig.program.documentPath).isEmpty());

        dialogs.passwordOutcome = FakeFrontend::PasswordOutcome::Correct;
        rig.click(rig.navButton(ToolNavGrab));
        QCOMPARE(rig.doc.pageCount(), 2);
        QVERIFY(!rig.lock.isUnlocked()); // locked again: the next grab asks again
        rig.click(rig.navButton(ToolNavGrab));
        QCOMPARE(dialogs.passwordDialogs, 3);
        QCOMPARE(rig.doc.pageCount(), 3);

        // While the configuration dialog is open (unlocked), nothing is asked.
        rig.lock.unlockedPassword = rig.lock.storedPassword;
        rig.click(rig.navButton(ToolNavGrab));
        QCOMPARE(dialogs.passwordDialogs, 3);
        QCOMPARE(rig.doc.pageCount(), 4);
        QVERIFY(rig.lock.isUnlocked());
    }

    void grabNeverOverwritesAnotherSection()
    {
        // A hand-written document: a page without address, and pages numbered out of order.
        QTemporaryDir dir;
        const QString path = dir.filePath("hand.gpn");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Page3]\r\nURL=http://a/\r\nTime=99\r\n[Page1]\r\nURL=\r\nCached=Yes\r\n");
        file.close();
        ProgramValues program;
        program.documentPath = path;
        DocumentState doc;
        PageEntry a;
        a.URL = QStringLiteral("http://a/");
        doc.PageList.append(a);
        IniFiles ini;

        QCOMPARE(GrabPage(QStringLiteral("http://new/"), doc, ini, program), GrabResult::Added);
        QCOMPARE(GrabPage(QStringLiteral("http://new2/"), doc, ini, program), GrabResult::Added);
        IniFiles fresh;
        QCOMPARE(fresh.ReadIni("Page3", "URL", path), QStringLiteral("http://a/"));
        QCOMPARE(fresh.ReadIni("Page1", "URL", path), QString());
        QCOMPARE(fresh.ReadIni("Page2", "URL", path), QStringLiteral("http://new/"));
        QCOMPARE(fresh.ReadIni("Page4", "URL", path), QStringLiteral("http://new2/"));
        // Loaded again, the grabbed pages come last, in the order they were grabbed.
        const QStringList sections =
            IniFiles::ReadSectionList(path, QStringLiteral(",")).split(',', Qt::SkipEmptyParts);
        QCOMPARE(sections, (QStringList{"Page3", "Page1", "Page2", "Page4"}));

        // Nothing on screen: nothing added.
        QCOMPARE(GrabPage(QString(), doc, ini, program), GrabResult::NothingShown);
        QCOMPARE(doc.pageCount(), 3);

        // A document that cannot be written keeps the page in memory and says so.
        program.documentPath = dir.filePath("missing/folder/x.gpn");
        QCOMPARE(GrabPage(QStringLiteral("http://z/"), doc, ini, program), GrabResult::NotWritten);
        QCOMPARE(doc.pageCount(), 4);
    }

    void printMessages()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        rig.engine->EnterNavigationMode();
        const RunState before = rig.state();

        rig.browser.printable = false;
        rig.click(rig.navButton(ToolNavPrint));
        QCOMPARE(rig.messages, QStringList{"Print command is not available!"});
        QCOMPARE(rig.state(), before);
        rig.tick(3);
        QCOMPARE(rig.state(), RunState::WAITSAVER);

        // Printing started and failed: the reason is given.
        BrokenPrinterBrowser broken;
        const ToolBarPorts ports{broken, rig.desktop, rig.doc, rig.settings, rig.ini, rig.program};
        ToolBars other(ports, nullptr);
        QStringList otherMessages;
        other.setMessageBox([&](const QString& text) { otherMessages.append(text); });
        other.PrintPage();
        QCOMPARE(otherMessages,
                 QStringList{"Error while printing:\r\nThe printer is out of paper."});

        // Printing that starts says nothing.
        rig.messages.clear();
        rig.browser.printable = true;
        rig.bars->PrintPage();
        QVERIFY(rig.messages.isEmpty());
    }

    void closeRefusedUntilFinprog()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        rig.tick(2);
        QVERIFY(rig.run().isVisible());
        QVERIFY(!rig.run().close());
        QVERIFY(!rig.nav().close());
        QVERIFY(rig.run().isVisible());
        rig.engine->SetState(RunState::FINPROG);
        QVERIFY(rig.run().close());
        QVERIFY(rig.nav().close());
        QVERIFY(!rig.run().isVisible());
    }

    void keysAndMouseReachTheEngine()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        rig.tick(2);
        // Escape on a bar quits when a Quit button is offered; with Shift it does not.
        QTest::keyClick(&rig.run(), Qt::Key_Escape, Qt::ShiftModifier);
        QCOMPARE(rig.state(), RunState::WAITTIME);
        rig.clock.advanceSecs(30);
        QTest::mouseMove(&rig.run(), QPoint(2, 2));
        QTest::mouseMove(&rig.run(), QPoint(5, 3));
        QCOMPARE(rig.engine->state().LastActivity, rig.clock.now().toMSecsSinceEpoch());
        QTest::keyClick(&rig.nav(), Qt::Key_Escape);
        QCOMPARE(rig.state(), RunState::FINPROG);
    }

    void navigationButtons()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        rig.tick(2);
        // Outside navigation mode the browser buttons do nothing.
        rig.click(rig.navButton(ToolNavBack));
        QCOMPARE(rig.browser.goBackCalls, 0);

        rig.click(rig.runButton(ToolRunNavigation));
        QVERIFY(rig.engine->state().NavigationMode);
        QVERIFY(rig.nav().isVisible());
        QVERIFY(!rig.run().isVisible());
        rig.click(rig.navButton(ToolNavBack));
        rig.click(rig.navButton(ToolNavForward));
        rig.click(rig.navButton(ToolNavStop));
        rig.click(rig.navButton(ToolNavReload));
        QCOMPARE(rig.browser.goBackCalls, 1);
        QCOMPARE(rig.browser.goForwardCalls, 1);
        QCOMPARE(rig.browser.stopCalls, 1);
        QCOMPARE(rig.browser.refreshCalls, 1);
        rig.click(rig.navButton(ToolNavHome));
        QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://home/"));

        // Play goes back to the show.
        rig.click(rig.navButton(ToolNavPlay));
        QVERIFY(!rig.engine->state().NavigationMode);
        rig.tick();
        QVERIFY(rig.run().isVisible());
        QVERIFY(!rig.nav().isVisible());
    }

    // The address box offers the stored list and what was typed. A visitor's addresses are
    // kept for the visit only, unless KeepVisitorData asks for the stored list to grow.
    void addressBox_data()
    {
        QTest::addColumn<bool>("keepVisitorData");
        QTest::newRow("visits forgotten") << false;
        QTest::newRow("KeepVisitorData") << true;
    }
    void addressBox()
    {
        QFETCH(bool, keepVisitorData);
        ToolBarRig rig;
        if (keepVisitorData)
            rig.registry.setString(RegRoot::CurrentUser, rig.settings.userPath(), "KeepVisitorData",
                                   "Yes");
        rig.registry.setString(RegRoot::CurrentUser, kTypedUrls, "url1", "http://one/");
        rig.registry.setString(RegRoot::CurrentUser, kTypedUrls, "url2", "http://two/");
        rig.setPages({"http://a/"});
        rig.start();
        rig.engine->EnterNavigationMode();
        QComboBox* box = rig.nav().findChild<QComboBox*>("txtURL");
        QVERIFY(box);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("http://one/"));

        // Enter: display time 0, the text unchanged (no scheme added).
        box->setEditText(QStringLiteral("example.test/x"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("example.test/x"));
        QCOMPARE(rig.engine->displaySlot().Time, 0);
        // The typed address heads the list now; in the registry only when visits are kept.
        QCOMPARE(box->itemText(0), QStringLiteral("example.test/x"));
        QCOMPARE(box->itemText(2), QStringLiteral("http://two/"));
        QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kTypedUrls, "url1"),
                 keepVisitorData ? QStringLiteral("example.test/x")
                                 : QStringLiteral("http://one/"));
        QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kTypedUrls, "url3"),
                 keepVisitorData ? QStringLiteral("http://two/") : QString());

        // The default button: display time 10.
        box->setEditText(QStringLiteral("http://b/"));
        rig.nav().findChild<QPushButton*>("cmdDefault")->click();
        QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
        QCOMPARE(rig.engine->displaySlot().Time, 10);

        // Other keys in the box are the box's: Escape there does not end the show.
        box->lineEdit()->setFocus();
        QTest::keyClick(box->lineEdit(), Qt::Key_Escape);
        QVERIFY(rig.state() != RunState::FINPROG);

        // An empty box hands the empty text on, and the list is left alone.
        box->setEditText(QString());
        const int before = rig.browser.navigateCalls;
        QTest::keyClick(box->lineEdit(), Qt::Key_Enter);
        QCOMPARE(rig.browser.navigateCalls, before + 1);
        QCOMPARE(rig.browser.lastNavigation(), QString());
        QCOMPARE(box->count(), 4);

        // The show takes over: the box offers what is stored, nothing of the visit.
        rig.bars->forgetTypedAddresses();
        QCOMPARE(box->currentText(), QString());
        QCOMPARE(box->count(), keepVisitorData ? 4 : 2);
        QCOMPARE(box->itemText(0),
                 keepVisitorData ? QStringLiteral("http://b/") : QStringLiteral("http://one/"));
    }

    // A typed address the document's lists refuse never reaches the show: the box shows the
    // page on screen again and the address is not kept among the typed ones.
    void typedAddressRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        const char* const refused[] = {
            "javascript:alert(1)",
            " JavaScript:fetch('http://kiosk.example/x')",
            "data:text/html,<script>alert(1)</script>",
            "view-source:http://kiosk.example/",
            "chrome://gpu",
            "http://kiosk.example//private/x.html",
            "http://kiosk.example/private%2Fx.html",
            "http://other.example/",
            "/etc/passwd",
            "file:///etc/passwd",
            "http://kiosk.example/other-show.gpn",
        };
        for (const char* text : refused)
            QTest::newRow(text) << QString::fromLatin1(text) << true;
        QTest::newRow("included page") << "http://kiosk.example/a.html" << false;
        QTest::newRow("included page without a scheme") << "kiosk.example/a.html" << false;
    }
    void typedAddressRefused()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        ToolBarRig rig;
        rig.registry.setString(RegRoot::CurrentUser, kTypedUrls, "url1", "http://one/");
        rig.setPages({"http://kiosk.example/a.html"});
        rig.doc.IncludeList = {QStringLiteral("http://kiosk.example/")};
        rig.doc.ExcludeList = {QStringLiteral("http://kiosk.example/private/")};
        rig.start();
        rig.browser.autoComplete = true;
        rig.browser.completeLoad();
        rig.engine->EnterNavigationMode();
        QComboBox* box = rig.nav().findChild<QComboBox*>("txtURL");
        const int before = rig.browser.navigateCalls;

        box->setEditText(typed);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(rig.browser.navigateCalls, before + (refused ? 0 : 1));
        QCOMPARE(box->currentText(), refused ? rig.browser.LocationURL() : typed);
        QCOMPARE(box->itemText(0), refused ? QStringLiteral("http://one/") : typed);
    }

    void lockStyleAndPlacement()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        rig.start();
        // 48-pixel pictures; nothing stored: top right corner, with caption.
        QCOMPARE(rig.run().width(), 8 * 48);
        QCOMPARE(rig.run().height(), 48);
        QCOMPARE(rig.run().pos(), QPoint(1024 - 8 * 48 - 2 * 3, 0));
        QCOMPARE(rig.run().windowTitle(), QStringLiteral("Gpane"));
        QVERIFY(!rig.run().windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(rig.nav().x() + rig.nav().width() + 2 * 4, 1024);
        QCOMPARE(rig.navButton(ToolNavBack)->toolTip(), QStringLiteral(" Back "));

        // Locked: no caption, no frame, and a resize snaps back.
        rig.bars->placement().ToolNavLocked = true;
        rig.bars->placement().ToolRunLocked = true;
        rig.bars->ArrangeToolBars();
        QVERIFY(rig.nav().windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(rig.run().windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(rig.nav().windowTitle(), QString());
        const QSize locked = rig.nav().size();
        // The stored width stands; without a frame it is all client area.
        QCOMPARE(locked.width(), 11 * 48 + 2 * 4);
        rig.nav().resize(locked.width() + 200, locked.height() + 50);
        QCOMPARE(rig.nav().size(), locked);

        // Unlocked, the user may widen it; the box follows and the width is kept.
        rig.bars->placement().ToolNavLocked = false;
        rig.bars->ArrangeToolBars();
        rig.engine->EnterNavigationMode();
        QVERIFY(rig.nav().isVisible());
        QVERIFY(!rig.nav().windowFlags().testFlag(Qt::FramelessWindowHint));
        rig.nav().resize(rig.nav().width() + 100, rig.nav().height());
        QComboBox* box = rig.nav().findChild<QComboBox*>("txtURL");
        QCOMPARE(box->width(), rig.nav().width());
        rig.bars->RecordPlacement();
        QCOMPARE(rig.bars->placement().ToolNavWidth, (rig.nav().width() + 2 * 4) * 15);
        WriteToolBarPlacement(rig.settings, rig.bars->placement());
        QCOMPARE(rig.settings.read(keys::ToolNavWidth), rig.bars->placement().ToolNavWidth);
        // The locked screen-saver bar's position is not stored again.
        QCOMPARE(rig.settings.read(keys::ToolRunLeft, -1), -1);
        QVERIFY(rig.settings.read(keys::ToolRunLocked));
    }

    void builtInPicturesComeFromTheResourceFolder()
    {
        // The extracted file is read (an administrator may have put another there); a missing
        // one falls back to the copy the program carries.
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        QVERIFY(QDir().mkpath(rig.program.resourceFolder));
        QImage replaced(20, 30, QImage::Format_RGB32);
        replaced.fill(Qt::green);
        QVERIFY(replaced.save(rig.program.resourceFolder + "/back.gif", "PNG"));
        rig.start();
        QCOMPARE(rig.navButton(ToolNavBack)->size(), QSize(20, 30));
        QCOMPARE(rig.navButton(ToolNavForward)->size(), QSize(48, 48));
        QCOMPARE(rig.navButton(ToolNavForward)->x(), 20);
    }

    void helpHiddenAndCustomIcon()
    {
        ToolBarRig rig;
        rig.setPages({"http://a/"});
        QImage custom(32, 40, QImage::Format_RGB32);
        custom.fill(Qt::red);
        const QString iconPath = rig.dir.filePath("mine.png");
        QVERIFY(custom.save(iconPath));
        rig.doc.ToolNavButtons[ToolNavHome].Icon = iconPath;
        rig.doc.ToolNavButtons[ToolNavPrint].Icon = rig.dir.filePath("nothing-here.png");
        rig.options.HelpEnabled = false;
        rig.start();

        QVERIFY(!rig.navButton(ToolNavHelp)->isVisibleTo(&rig.nav()));
        QVERIFY(!rig.runButton(ToolRunHelp)->isVisibleTo(&rig.run()));
        QCOMPARE(rig.bars->placedButtonCount(ToolBar::Run), 7);
        QCOMPARE(rig.bars->placedButtonCount(ToolBar::Nav), 10);
        // The custom picture with its own size, lit the same; the missing one keeps the
        // built-in picture and its place.
        QCOMPARE(rig.navButton(ToolNavHome)->size(), QSize(32, 40));
        QCOMPARE(rig.navButton(ToolNavPlay)->x(), 4 * 48 + 32);
        QCOMPARE(rig.bars->res()
                     .picture(ToolBar::Nav, ToolNavHome, frmRes::Face::Highlighted)
                     .toImage()
                     .pixelColor(5, 5),
                 QColor(Qt::red));
        QCOMPARE(rig.navButton(ToolNavPrint)->size(), QSize(48, 48));
        QCOMPARE(rig.nav().findChild<QComboBox*>("txtURL")->y(), 48);
    }
};

QTEST_MAIN(ToolBarsTest)
#include "tool_bars_test.moc"
