// The configuration dialog's satellites through its menus and buttons, on real files: the page
// list editor in both modes, File > Open from the web, the Help menu and the About tab's site
// button, and a page inserted through the properties dialog that the saved document plays.

#include "config/frm_page_list.h"
#include "config/model/help_actions.h"
#include "config_rig.h"
#include "document/page_variables.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>

using namespace glasspane;

namespace {

const QByteArray kShow = "[Gpane]\r\nHomeURL=http://home.example/\r\nDefaultTime=10\r\n"
                         "\r\n[Page1]\r\nURL=http://one.example/\r\nDefaultTime=No\r\nTime=42\r\n"
                         "\r\n[Page2]\r\nURL=http://list.example/$$.html\r\nVar1Type=2\r\n"
                         "Var1Source=a|b|c|\r\n"
                         "\r\n[Exclude1]\r\nURL=http://list.example/b\r\n";

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Answers the page list editor: the text found is recorded, then replaced (unless text is
// null) and the button of that name pressed.
ScriptedRunner::Handler editList(QString* found, QString* caption, const QString& text,
                                 const QString& buttonName)
{
    return [=](QDialog& dialog) {
        auto* list = dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtList"));
        *found = list->toPlainText();
        *caption = dialog.findChild<QGroupBox*>(QStringLiteral("frmText"))->title();
        if (!text.isNull())
            list->setPlainText(text);
        dialog.show();
        dialog.grab().save(screenshotFolder() + QStringLiteral("/pagelist-") +
                           dialog.windowTitle().replace(u' ', u'-') + QStringLiteral(".png"));
        dialog.findChild<QAbstractButton*>(buttonName)->click();
        return dialog.result();
    };
}

} // namespace

class SatelliteDialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageListEdited();
    void pageListDisplayed();
    void openFromTheWeb();
    void helpMenu();
    void insertedPageIsPlayed();
};

void SatelliteDialogsTest::pageListEdited()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    QString found;
    QString caption;
    // Page 1 removed, page 2 kept, one typed in other letters, a new one.
    rig.modal.expect(editList(&found, &caption,
                              QStringLiteral("http://list.example/$$.html\n"
                                             "HTTP://ONE.EXAMPLE/\n\nhttp://new.example/\n"),
                              QStringLiteral("cmdOK")));
    rig.action("mnuEdit0")->trigger();
    QVERIFY(rig.modal.allAnswered());
    QCOMPARE(found, QStringLiteral("http://one.example/\nhttp://list.example/$$.html\n"));
    QCOMPARE(caption, QStringLiteral("&Edit page list"));
    QVERIFY(dialog.configChanged());
    QCOMPARE(
        items(rig.find<QListWidget>("lstPageList")),
        (QStringList{"http://list.example/$$.html", "HTTP://ONE.EXAMPLE/", "http://new.example/"}));
    const WorkingLists& lists = dialog.workingLists();
    QCOMPARE(lists.pages.at(0).Var1Source, QStringLiteral("a|b|c|"));
    QCOMPARE(lists.pages.at(1).Time, 10); // a new page: the default time
    QVERIFY(lists.pages.at(1).DefaultTime);

    // Cancel changes nothing.
    rig.doc.ConfigChanged = false;
    rig.modal.expect(editList(&found, &caption, QStringLiteral("x"), QStringLiteral("cmdCancel")));
    rig.action("mnuEdit0")->trigger();
    QCOMPARE(dialog.workingLists().pages.size(), 3);
    QVERIFY(!dialog.configChanged());
}

void SatelliteDialogsTest::pageListDisplayed()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    QString found;
    QString caption;
    rig.modal.beforeAnswer = [](QDialog& d) {
        QVERIFY(d.findChild<QPlainTextEdit*>(QStringLiteral("txtList"))->isReadOnly());
        QVERIFY(!d.findChild<QWidget*>(QStringLiteral("cmdOK"))->isVisibleTo(&d));
        QCOMPARE(d.findChild<QAbstractButton*>(QStringLiteral("cmdCancel"))->text(),
                 QStringLiteral("&Close"));
    };
    rig.modal.expect(editList(&found, &caption, QString(), QStringLiteral("cmdCancel")));
    rig.action("mnuEdit1")->trigger();
    // The excluded value is left out, as the show leaves it out.
    QCOMPARE(found, QStringLiteral("http://one.example/\nhttp://list.example/a.html\n"
                                   "http://list.example/c.html\n"));
    QCOMPARE(caption, QStringLiteral("&Display page list - 3 lines"));
    QVERIFY(!dialog.configChanged());
    // Showing the expansion does not touch the working list.
    QCOMPARE(dialog.workingLists().pages.at(1).URL, QStringLiteral("http://list.example/$$.html"));

    // One entry: no "s".
    rig.modal.beforeAnswer = nullptr;
    rig.modal.expect(editList(&found, &caption, QStringLiteral("http://only.example/"),
                              QStringLiteral("cmdOK")));
    rig.action("mnuEdit0")->trigger();
    rig.modal.expect(editList(&found, &caption, QString(), QStringLiteral("cmdCancel")));
    rig.action("mnuEdit1")->trigger();
    QCOMPARE(caption, QStringLiteral("&Display page list - 1 line"));
}

void SatelliteDialogsTest::openFromTheWeb()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    rig.open();
    // An empty location is refused; the dialog stays until Cancel.
    rig.modal.expect([&rig](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("txtLoc"))->setText(QStringLiteral("   "));
        rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
        d.findChild<QAbstractButton*>(QStringLiteral("cmdOK"))->click();
        if (d.result() == QDialog::Accepted)
            return int(QDialog::Accepted);
        d.findChild<QAbstractButton*>(QStringLiteral("cmdCancel"))->click();
        return d.result();
    });
    rig.action("mnuFile2")->trigger();
    QVERIFY(rig.modal.allAnswered());
    QCOMPARE(rig.modal.shown.at(1),
             QStringLiteral("messageBox|Glasspane|You have to fill location !"));
    QCOMPARE(rig.modal.shown.at(0), QStringLiteral("frmOpenWeb|File Open from the Web|"));
    // Cancelled: the document stays.
    QCOMPARE(rig.program.documentPath, path);
    QCOMPARE(rig.host.replaced, 0);
}

void SatelliteDialogsTest::helpMenu()
{
    ConfigRig rig;
    rig.openDocument(kShow);
    frmConfig& dialog = rig.open();
    rig.shell.setTypeCommand(QStringLiteral("text/html"), {QStringLiteral("/usr/bin/browser")});

    rig.click("cmdGpane");
    rig.action("mnuHelp2")->trigger();
    QCOMPARE(rig.host.shownPages, QStringList{QStringLiteral("https://glasspane.example/")});
    // The documentation is help: it opens where it can be read, over the dialog.
    QCOMPARE(rig.host.helpPages,
             QStringList{rig.program.resourceFolder + QStringLiteral("/documentation.html")});
    rig.action("mnuHelp0")->trigger();
    QCOMPARE(rig.host.helps, 1);

    rig.action("mnuHelp3")->trigger();
    QCOMPARE(rig.system.started().last().arguments,
             QStringList{QStringLiteral("https://glasspane.example/")});
    // The contact request carries the address typed on the About tab, not yet saved.
    dialog.SelectTab(12);
    rig.type("txtEMail", "kiosk@shop.example");
    rig.action("mnuHelp4")->trigger();
    QCOMPARE(rig.system.started().last().program, QStringLiteral("/usr/bin/browser"));
    QCOMPARE(rig.system.started().last().arguments,
             QStringList{QStringLiteral("https://glasspane.example/cgi-local/formmail.pl?"
                                        "realname=Unknown&email=") +
                         PercentEncode(QStringLiteral("kiosk@shop.example"))});
    QVERIFY(rig.modal.allAnswered());

    // No browser: said so.
    rig.system.setStartFails(true);
    rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));
    rig.action("mnuHelp3")->trigger();
    QVERIFY(rig.modal.allAnswered());
    QVERIFY(rig.modal.shown.last().contains(QStringLiteral("No web browser could be started")));
}

void SatelliteDialogsTest::insertedPageIsPlayed()
{
    ConfigRig rig;
    const QString path = rig.openDocument(kShow);
    rig.dialogs.realProperties = true;
    frmConfig& dialog = rig.open();
    dialog.SelectTab(3);
    rig.find<QListWidget>("lstPageList")->setCurrentRow(2 - 1);
    rig.modal.expect([](QDialog& d) {
        auto* kind = d.findChild<QComboBox*>(QStringLiteral("cboVar1Type"));
        kind->setCurrentIndex(2);
        Q_EMIT kind->activated(2);
        d.findChild<QPlainTextEdit*>(QStringLiteral("txtVar1SourceList"))
            ->setPlainText(QStringLiteral("http://x.example/1\nhttp://x.example/2\n"));
        d.findChild<QAbstractButton*>(QStringLiteral("cmdOK"))->click();
        return d.result();
    });
    rig.click("cmdListInsert");
    QVERIFY(rig.modal.allAnswered());
    QCOMPARE(rig.find<QListWidget>("lstPageList")->item(1)->text(), QStringLiteral("$$"));
    rig.click("cmdOK");
    QCOMPARE(rig.host.closed, QList<bool>{true});

    // The document as saved, read again from disk.
    DocumentState reloaded;
    QVERIFY(LoadDocument(rig.services, reloaded, path, path));
    QCOMPARE(reloaded.pageCount(), 3);
    QCOMPARE(reloaded.PageList.at(2).URL, QStringLiteral("$$"));
    QCOMPARE(reloaded.PageList.at(2).Var1Source,
             QStringLiteral("http://x.example/1|http://x.example/2|"));

    // What the administrators' tool says the show plays.
    const GpaneRun run = RunGpane({QStringLiteral("playlist"), path});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QStringList addresses;
    for (const QString& line : run.output.split(u'\n')) {
        if (!line.isEmpty())
            addresses.append(line.section(u'\t', -1));
    }
    QCOMPARE(addresses,
             (QStringList{"http://one.example/", "http://x.example/1", "http://x.example/2",
                          "http://list.example/a.html", "http://list.example/c.html"}));
}

QTEST_MAIN(SatelliteDialogsTest)
#include "satellite_dialogs_test.moc"
