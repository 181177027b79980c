// The File menu's commands on real document files: the "Save changes?" question, saving where
// the document cannot be saved in place, failures that say why, opening, recent documents.

#include "config/model/document_commands.h"
#include "document/document_files.h"
#include "document/document_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace glasspane;

namespace {

// The user's answers, given in advance; what was asked is recorded.
class ScriptedUi final : public DocumentCommandUi
{
public:
    Answer saveChanges = Answer::Cancel;
    QString fileToOpen;
    QString saveAsPath;
    std::function<void()> onKeep;
    bool formAccepted = true; // false: the dialog refuses a value

    QStringList asked;
    QStringList failures;
    int keeps = 0;
    int saveAsAsked = 0;

    Answer askSaveChanges(const QString& question) override
    {
        asked.append(question);
        return saveChanges;
    }
    QString chooseFileToOpen() override { return fileToOpen; }
    QString location;
    QString chooseLocation() override { return location; }
    QString chooseSaveAsPath(const QString& proposed) override
    {
        ++saveAsAsked;
        proposedPaths.append(proposed);
        return saveAsPath;
    }
    bool keepForm() override
    {
        ++keeps;
        if (formAccepted && onKeep)
            onKeep();
        return formAccepted;
    }
    void reportFailure(const QString& message) override { failures.append(message); }

    QStringList proposedPaths;
};

struct CommandFixture : DocumentFixture
{
    ScriptedUi ui;
    QStringList settingsFailures; // what the settings writer reports
    int afterSaves = 0;
    DocumentCommands commands{
        DocumentCommandPorts{services, doc,
                             [this](QStringList& failed) { failed += settingsFailures; },
                             [this] { ++afterSaves; }},
        ui};

    // A local document, loaded.
    QString open(const QString& name, const QByteArray& text)
    {
        const QString p = write(name, text);
        program.documentPath = p;
        PrepareDocumentSource(services, doc);
        LoadOptions options;
        options.expand = false;
        if (!LoadDocument(services, doc, p, p, options))
            return QString();
        return p;
    }
};

} // namespace

class DocumentCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveChangesQuestion_data();
    void saveChangesQuestion();
    void documentsNotSavedInPlaceAskWhere_data();
    void documentsNotSavedInPlaceAskWhere();
    void failedSaveSaysWhy();
    void optionsThatCouldNotBeStoredAreNamed();
    void openLoadsWithoutExpanding();
    void openFromTheWebTakesDocumentsOnly_data();
    void openFromTheWebTakesDocumentsOnly();
    void newWritesNothing();
    void recentFileCaptions();
};

void DocumentCommandsTest::saveChangesQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("savedHome");
    QTest::addColumn<bool>("formAccepted");
    QTest::newRow("yes") << int(DocumentCommandUi::Answer::Yes) << true << "http://edited/" << true;
    // A value the dialog refuses (letters in a time box) stops the command: nothing saved,
    // nothing opened, the edits still in the dialog.
    QTest::newRow("yes, a value refused")
        << int(DocumentCommandUi::Answer::Yes) << false << "http://first/" << false;
    QTest::newRow("no") << int(DocumentCommandUi::Answer::No) << true << "http://first/" << true;
    QTest::newRow("cancel") << int(DocumentCommandUi::Answer::Cancel) << false << "http://first/"
                            << true;
}

void DocumentCommandsTest::saveChangesQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, opened);
    QFETCH(QString, savedHome);
    QFETCH(bool, formAccepted);
    CommandFixture f;
    const QString first = f.open("a.gpn", "[Gpane]\r\nHomeURL=http://first/\r\n");
    const QString second = f.write("b.gpn", "[Gpane]\r\nHomeURL=http://second/\r\n");
    // The dialog holds an edit that is not in the document state yet: "Yes" keeps it first.
    f.doc.ConfigChanged = true;
    f.ui.onKeep = [&f] { f.doc.HomeURL = QStringLiteral("http://edited/"); };
    f.ui.saveChanges = DocumentCommandUi::Answer(answer);
    f.ui.formAccepted = formAccepted;
    f.ui.fileToOpen = second;

    const FileCommandResult result = f.commands.FileCommand(FileCommandId::Open);
    QCOMPARE(f.ui.asked, QStringList{"Save changes to \"" + first + "\"?"});
    QCOMPARE(result, opened ? FileCommandResult::Loaded : FileCommandResult::Nothing);
    QCOMPARE(f.ini.ReadIni("Gpane", "HomeURL", first), savedHome);
    QCOMPARE(f.program.documentPath, opened ? second : first);
    QCOMPARE(f.doc.HomeURL, opened ? QStringLiteral("http://second/") : f.doc.HomeURL);
    QCOMPARE(f.doc.ConfigChanged, !opened);
}

void DocumentCommandsTest::documentsNotSavedInPlaceAskWhere_data()
{
    QTest::addColumn<bool>("builtIn");
    QTest::addColumn<bool>("chosen");
    QTest::newRow("built-in, saved as") << true << true;
    QTest::newRow("built-in, cancelled") << true << false;
    QTest::newRow("from the web, saved as") << false << true;
}

void DocumentCommandsTest::documentsNotSavedInPlaceAskWhere()
{
    QFETCH(bool, builtIn);
    QFETCH(bool, chosen);
    CommandFixture f;
    const QString local =
        builtIn ? QString(f.program.resourceFolder + QStringLiteral("/Gpane.GPN"))
                : QString(f.shell.folder(Shell::Folder::Documents) + QStringLiteral("/Cached.GPN"));
    QVERIFY(writeFileBytes(local, "[Gpane]\r\nHomeURL=http://original/\r\n"));
    f.program.documentPath = local;
    f.program.documentName =
        builtIn ? QString::fromLatin1(kResourceDocumentName) : QStringLiteral("http://h/s.gpn");
    f.program.documentSource = builtIn ? DocumentSource::Resource : DocumentSource::Web;
    f.doc.HomeURL = QStringLiteral("http://edited/");
    f.doc.IsDefaultDocument = true;
    const QString target = f.path(QStringLiteral("mine/kept.gpn"));
    f.ui.saveAsPath = chosen ? target : QString();

    const FileCommandResult result = f.commands.Save();
    QCOMPARE(f.ui.saveAsAsked, 1);
    // The edit never goes into the copy that is replaced or deleted later.
    QCOMPARE(f.ini.ReadIni("Gpane", "HomeURL", local), QStringLiteral("http://original/"));
    QCOMPARE(f.ui.proposedPaths.first().startsWith(f.shell.folder(Shell::Folder::Documents)), true);
    if (chosen) {
        QCOMPARE(result, FileCommandResult::Saved);
        QCOMPARE(f.ini.ReadIni("Gpane", "HomeURL", target), QStringLiteral("http://edited/"));
        QCOMPARE(f.program.documentPath, target);
        QCOMPARE(f.program.documentSource, DocumentSource::File);
        QVERIFY(!f.doc.IsDefaultDocument);
    } else {
        QCOMPARE(result, FileCommandResult::Nothing);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(f.program.documentSource,
                 builtIn ? DocumentSource::Resource : DocumentSource::Web);
    }
}

void DocumentCommandsTest::failedSaveSaysWhy()
{
    CommandFixture f;
    // The document's folder cannot be made: a file stands where it should be.
    const QString blocker = f.write(QStringLiteral("blocker"), "not a folder");
    f.program.documentPath = blocker + QStringLiteral("/show.gpn");
    f.program.documentName = f.program.documentPath;
    f.program.documentSource = DocumentSource::File;
    f.doc.ConfigChanged = true;

    QCOMPARE(f.commands.Save(), FileCommandResult::SaveFailed);
    QCOMPARE(f.ui.failures.size(), 1);
    const QString message = f.ui.failures.first();
    QVERIFY2(message.contains(f.program.documentPath), qPrintable(message));
    QVERIFY2(message.contains(blocker + QStringLiteral("\" is not a folder")), qPrintable(message));
    // Nothing claims success: the changes are still unsaved.
    QVERIFY(f.doc.ConfigChanged);
    QCOMPARE(f.afterSaves, 1);

    // The reason for a folder the user cannot write.
    QCOMPARE(DocumentCommands::DescribeWriteProblem(f.path(QStringLiteral("free.gpn"))), QString());
    QCOMPARE(DocumentCommands::DescribeWriteProblem(f.dir.path()),
             QStringLiteral("It is a folder."));
}

void DocumentCommandsTest::optionsThatCouldNotBeStoredAreNamed()
{
    CommandFixture f;
    const QString path = f.open("a.gpn", "[Gpane]\r\n");
    f.settingsFailures = {QStringLiteral("TestURL"), QStringLiteral("EMail")};
    f.doc.ConfigChanged = true;
    QCOMPARE(f.commands.Save(), FileCommandResult::SaveFailed);
    QCOMPARE(f.ui.failures.size(), 1);
    QVERIFY2(f.ui.failures.first().contains(QStringLiteral("TestURL, EMail")),
             qPrintable(f.ui.failures.first()));
    QVERIFY(f.doc.ConfigChanged);
    // The document itself was written.
    QVERIFY(!f.ini.ReadIni("About", "1", path).isEmpty());
}

void DocumentCommandsTest::openLoadsWithoutExpanding()
{
    CommandFixture f;
    f.open("a.gpn", "[Gpane]\r\n[Page1]\r\nURL=http://a/\r\n");
    const QString second =
        f.write("b.gpn", "[Gpane]\r\n[Page1]\r\nURL=http://b/$$\r\nVar1Type=1\r\nVar1Source=1\r\n"
                         "Var1Param=3\r\n");
    f.doc.PlayList.append(PlayEntry{});
    f.doc.PlayList.last().URL = QStringLiteral("http://playing/");
    f.ui.fileToOpen = second;
    QCOMPARE(f.commands.FileCommand(FileCommandId::Open), FileCommandResult::Loaded);
    QCOMPARE(f.pageUrls(), QStringList{"http://b/$$"});
    // The play list is the show's until the dialog's OK.
    QCOMPARE(f.playUrls(), QStringList{"http://playing/"});
    QCOMPARE(f.commands.recentFiles().first(), second);

    // A cancelled choice leaves everything as it was.
    f.ui.fileToOpen.clear();
    QCOMPARE(f.commands.FileCommand(FileCommandId::Open), FileCommandResult::Nothing);
    QCOMPARE(f.program.documentPath, second);
}

void DocumentCommandsTest::newWritesNothing()
{
    CommandFixture f;
    f.open("a.gpn", "[Gpane]\r\nHomeURL=http://a/\r\n[Page1]\r\nURL=http://a/\r\n");
    f.doc.ToolRunButtons[ToolRunQuit].Visible = false;
    QCOMPARE(f.commands.FileCommand(FileCommandId::New), FileCommandResult::Created);
    QCOMPARE(QFileInfo(f.program.documentPath).fileName(), QStringLiteral("NoName.gpn"));
    QVERIFY(!QFile::exists(f.program.documentPath));
    QCOMPARE(f.doc.pageCount(), 0);
    QVERIFY(f.doc.HomeURL.isEmpty());
    QVERIFY(f.doc.ToolRunButtons[ToolRunQuit].Visible);
}

// "Open from the Web": what is no document (an error of the server, a web page, no answer) is
// refused with the reason; nothing is written and the document in use stays, out of the recent
// list's way.
void DocumentCommandsTest::openFromTheWebTakesDocumentsOnly_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body"); // "" with status 0: no answer
    QTest::addColumn<QString>("reason");  // "" when it opens
    QTest::newRow("a document") << 200 << QByteArray("[Page1]\r\nURL=http://web/a\r\n") << "";
    QTest::newRow("not found") << 404 << QByteArray("[Page1]\r\nURL=x\r\n") << "HTTP status 404";
    QTest::newRow("a web page") << 200 << QByteArray("<!DOCTYPE html><p>[x]</p>")
                                << "is a web page, not a document";
    QTest::newRow("no answer") << 0 << QByteArray() << "could not be fetched";
}

void DocumentCommandsTest::openFromTheWebTakesDocumentsOnly()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, reason);
    CommandFixture f;
    const QString current = f.open("a.gpn", "[Page1]\r\nURL=http://first/\r\n");
    const QStringList recent = ReadRecentFiles(f.services);
    const QString address = QStringLiteral("http://web/show.gpn");
    if (status == 0) {
        f.internet.setFailure(address);
    } else {
        FakeInternet::Response answer;
        answer.status = status;
        answer.body = body;
        f.internet.setResponse(address, answer);
    }
    f.ui.location = address;
    const QString copy = DocumentsFolder(f.registry, f.shell) + QStringLiteral("Cached.GPN");

    if (!reason.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot open the "
                                                                             "document: .*") +
                                                              QRegularExpression::escape(reason)));
    const FileCommandResult result = f.commands.FileCommand(FileCommandId::OpenLocation);
    if (reason.isEmpty()) {
        QCOMPARE(result, FileCommandResult::Loaded);
        QCOMPARE(f.pageUrls(), QStringList{QStringLiteral("http://web/a")});
        QCOMPARE(ReadRecentFiles(f.services).value(0), address);
        return;
    }
    QCOMPARE(result, FileCommandResult::Nothing);
    QCOMPARE(f.ui.failures.size(), 1);
    QVERIFY2(f.ui.failures.first().contains(reason), qPrintable(f.ui.failures.first()));
    QCOMPARE(f.program.documentPath, current);
    QCOMPARE(f.pageUrls(), QStringList{QStringLiteral("http://first/")});
    QCOMPARE(ReadRecentFiles(f.services), recent);
    QVERIFY(!QFileInfo::exists(copy));
    QCOMPARE(QDir(QFileInfo(copy).path()).entryList(QDir::Files), QStringList());
}

void DocumentCommandsTest::recentFileCaptions()
{
    QCOMPARE(DocumentCommands::RecentFileCaption(1, "/a.gpn"), QStringLiteral("&1 /a.gpn"));
    QCOMPARE(DocumentCommands::RecentFileCaption(9, "/a.gpn"), QStringLiteral("&9 /a.gpn"));
    QCOMPARE(DocumentCommands::RecentFileCaption(10, "/a.gpn"), QStringLiteral("1&0 /a.gpn"));

    // Recent document n opens item n of the list; beyond the list nothing happens.
    CommandFixture f;
    const QString a = f.open("a.gpn", "[Gpane]\r\n");
    const QString b = f.open("b.gpn", "[Gpane]\r\n");
    QCOMPARE(f.commands.recentFiles(), (QStringList{b, a}));
    QCOMPARE(f.commands.FileCommand(FileCommandId::FirstRecent + 1), FileCommandResult::Loaded);
    QCOMPARE(f.program.documentPath, a);
    QCOMPARE(f.commands.recentFiles(), (QStringList{a, b}));
    QCOMPARE(f.commands.FileCommand(FileCommandId::FirstRecent + 5), FileCommandResult::Nothing);
}

QTEST_GUILESS_MAIN(DocumentCommandsTest)
#include "document_commands_test.moc"
