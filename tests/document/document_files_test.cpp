#include "document/document.h"
#include "document/document_files.h"
#include "document/registry_layer.h"
#include "document_fixture.h"

#include <QRegularExpression>
#include <QTest>

using namespace glasspane;

namespace {
const QString kShellFolders =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
}

class DocumentFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documentsFolder();
    void defaultDocumentPath();
    void defaultDocumentFlag();
    void prepareLocalSources_data();
    void prepareLocalSources();
    void webDocumentFetched_data();
    void webDocumentFetched();
    void webDocumentKeptWhenFetchFails();
    void webDocumentNotFetchedWhenOffline();
    void sameDocument_data();
    void sameDocument();
    void absoluteDocumentPath();
    void recentFiles();
    void shellRecentDocuments();
    void browserCacheCopies();
    void association();
};

void DocumentFilesTest::documentsFolder()
{
    DocumentFixture f;
    QCOMPARE(DocumentsFolder(f.registry, f.shell), f.shell.folder(Shell::Folder::Documents) + "/");
    f.registry.setString(RegRoot::CurrentUser, kShellFolders, "Personal", "/srv/docs");
    QCOMPARE(DocumentsFolder(f.registry, f.shell), QString("/srv/docs/"));
    QCOMPARE(NewDocumentPath(f.services), QString("/srv/docs/NoName.gpn"));
}

void DocumentFilesTest::defaultDocumentPath()
{
    DocumentFixture f;
    const QString documents = DocumentsFolder(f.registry, f.shell);
    QCOMPARE(DefaultDocumentPath(f.services), documents + "Gpane.GPN");

    QVERIFY(f.settings.write(keys::DefaultFile, QString("/srv/show.gpn")));
    QCOMPARE(DefaultDocumentPath(f.services), QString("/srv/show.gpn"));

    const QString resource = f.program.resourceFolder + "/Gpane.GPN";
    QFile(resource).open(QIODevice::WriteOnly);
    QCOMPARE(DefaultDocumentPath(f.services), resource);
}

void DocumentFilesTest::defaultDocumentFlag()
{
    DocumentFixture f;
    const QString def = DefaultDocumentPath(f.services);
    UpdateDefaultDocumentFlag(f.services, f.doc, def, def);
    QVERIFY(f.doc.IsDefaultDocument);
    // Another case is another file here.
    UpdateDefaultDocumentFlag(f.services, f.doc, def.toLower(), def.toLower());
    QVERIFY(!f.doc.IsDefaultDocument);
    UpdateDefaultDocumentFlag(f.services, f.doc, f.path("other.gpn"), f.path("other.gpn"));
    QVERIFY(!f.doc.IsDefaultDocument);
    // A web document is the default one by its address.
    QVERIFY(f.settings.write(keys::DefaultFile, QString("http://h/show.gpn")));
    UpdateDefaultDocumentFlag(f.services, f.doc, def, "HTTP://h/show.gpn");
    QVERIFY(f.doc.IsDefaultDocument);

    // Loading sets the flag too.
    QVERIFY(f.settings.write(keys::DefaultFile, f.path("def.gpn")));
    QVERIFY(f.load(f.path("def.gpn")));
    QVERIFY(f.doc.IsDefaultDocument);
}

void DocumentFilesTest::prepareLocalSources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expectedPath");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<int>("source");
    QTest::newRow("old file url") << "file:///C|/Shows/a.gpn"
                                  << "C:/Shows/a.gpn"
                                  << "C:/Shows/a.gpn" << 1;
    QTest::newRow("old file url, encoded") << "file:///C|/My%20Shows/a.gpn"
                                           << "C:/My Shows/a.gpn"
                                           << "C:/My Shows/a.gpn" << 1;
    QTest::newRow("file url") << "file:///srv/a%20b.gpn"
                              << "/srv/a b.gpn"
                              << "/srv/a b.gpn" << 1;
    QTest::newRow("path") << "/srv/a.gpn"
                          << "/srv/a.gpn"
                          << "/srv/a.gpn" << 1;
    QTest::newRow("resource") << "<res>/Gpane.GPN"
                              << "<res>/Gpane.GPN"
                              << "<Resource>" << 3;
}

void DocumentFilesTest::prepareLocalSources()
{
    QFETCH(QString, path);
    QFETCH(QString, expectedPath);
    QFETCH(QString, expectedName);
    QFETCH(int, source);
    DocumentFixture f;
    path.replace("<res>", f.program.resourceFolder);
    expectedPath.replace("<res>", f.program.resourceFolder);
    f.program.documentName = "previous";
    f.program.documentPath = path;
    PrepareDocumentSource(f.services, f.doc);
    QCOMPARE(f.program.documentPath, expectedPath);
    QCOMPARE(f.program.documentName, expectedName);
    QCOMPARE(int(f.program.documentSource), source);
    QCOMPARE(f.doc.PlayList.at(0).URL, QString("previous"));
    QCOMPARE(f.doc.PlayList.at(0).LastDownload, f.clock.now());
    QCOMPARE(f.doc.PageList.at(0).LastDownload, f.clock.now());
    QVERIFY(f.internet.requests().isEmpty());
}

void DocumentFilesTest::webDocumentFetched_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("http") << "http://h/show.gpn";
    QTest::newRow("https") << "https://h/show.gpn";
}

void DocumentFilesTest::webDocumentFetched()
{
    QFETCH(QString, address);
    DocumentFixture f;
    f.internet.setPage(address, "[Page1]\nURL=http://h/a.html\n");
    f.internet.setOffline(true);
    f.program.documentPath = address;
    PrepareDocumentSource(f.services, f.doc);
    const QString cached = DocumentsFolder(f.registry, f.shell) + "Cached.GPN";
    QCOMPARE(f.program.documentPath, cached);
    QCOMPARE(f.program.documentName, address);
    QCOMPARE(f.program.documentSource, DocumentSource::Web);
    QCOMPARE(f.internet.requestCount(address), 1);
    QVERIFY(f.internet.isOffline()); // the state before is restored
    QCOMPARE(f.doc.PageList.at(0).LastDownload, f.clock.now());

    QVERIFY(LoadDocument(f.services, f.doc, f.program.documentPath, f.program.documentName));
    QCOMPARE(f.playUrls(), QStringList({"http://h/a.html"}));
    // The recent list holds the address, not the local copy.
    QCOMPARE(ReadRecentFiles(f.services), QStringList({address}));
    QVERIFY(f.shell.recentDocuments().isEmpty());
}

void DocumentFilesTest::webDocumentKeptWhenFetchFails()
{
    DocumentFixture f;
    const QString address = "http://h/show.gpn";
    const QString cached = DocumentsFolder(f.registry, f.shell) + "Cached.GPN";
    f.write("shell/Documents/Cached.GPN", "[Page1]\nURL=old.html\n");
    FakeInternet::Response empty;
    empty.body = "";
    f.internet.setResponse(address, empty);
    f.program.documentPath = address;
    PrepareDocumentSource(f.services, f.doc);
    QCOMPARE(readFileBytes(cached), QByteArray("[Page1]\nURL=old.html\n"));
    QVERIFY(!f.doc.PageList.at(0).LastDownload.isValid());

    f.internet.setFailure(address);
    f.program.documentPath = address;
    PrepareDocumentSource(f.services, f.doc);
    QVERIFY(f.load(f.program.documentPath));
    QCOMPARE(f.playUrls(), QStringList({"old.html"}));

    // The server now answers with a web page, or an error page: neither is a document, and
    // the copy stays (it would otherwise be replaced by the built-in document at the load).
    const QList<QPair<int, QByteArray>> answers = {{200, "<html><body>moved</body></html>"},
                                                   {500, "[Error]\nwhy=busy\n"}};
    for (const auto& [status, body] : answers) {
        FakeInternet::Response answer;
        answer.status = status;
        answer.body = body;
        f.internet.setResponse(address, answer);
        f.program.documentPath = address;
        PrepareDocumentSource(f.services, f.doc);
        QCOMPARE(readFileBytes(cached), QByteArray("[Page1]\nURL=old.html\n"));
        QCOMPARE(QDir(QFileInfo(cached).path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("Cached.GPN")});
    }
}

void DocumentFilesTest::webDocumentNotFetchedWhenOffline()
{
    DocumentFixture f;
    f.internet.setPage("http://h/d.gpn", "[Page1]\nURL=x\n");
    f.program.documentPath = "http://h/d.gpn";
    PrepareDocumentSource(f.services, f.doc, [] { return false; });
    QVERIFY(f.internet.requests().isEmpty());
    // With no copy at all, loading writes the default document there.
    QVERIFY(f.load(f.program.documentPath));
    QCOMPARE(f.doc.pageCount(), 5);
}

void DocumentFilesTest::sameDocument_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("same path") << "/srv/show.gpn"
                               << "/srv/show.gpn" << true;
    QTest::newRow("other case") << "/srv/Show.gpn"
                                << "/srv/show.gpn" << false;
    QTest::newRow("other folder case") << "/SRV/show.gpn"
                                       << "/srv/show.gpn" << false;
    QTest::newRow("separators") << "\\srv\\kiosk\\a.gpn"
                                << "/srv/kiosk/a.gpn" << true;
    QTest::newRow("double slash") << "/srv//kiosk/a.gpn"
                                  << "/srv/kiosk/a.gpn" << true;
    QTest::newRow("web address") << "http://H/show.gpn"
                                 << "HTTP://h/show.gpn" << true;
    QTest::newRow("network share") << "\\\\SRV\\pub\\a.gpn"
                                   << "//srv/pub/a.gpn" << true;
    QTest::newRow("empty") << ""
                           << "/a.gpn" << false;
}

void DocumentFilesTest::sameDocument()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameDocument(a, b), same);
    QCOMPARE(SameDocument(b, a), same);
}

void DocumentFilesTest::absoluteDocumentPath()
{
    // A relative name on the command line means the folder the program was started in.
    QCOMPARE(AbsoluteDocumentPath("show.gpn", "/home/kiosk/"), QString("/home/kiosk/show.gpn"));
    QCOMPARE(AbsoluteDocumentPath("../shows/a.gpn", "/home/kiosk"), QString("/home/shows/a.gpn"));
    QCOMPARE(AbsoluteDocumentPath("sub\\a.gpn", "/k/"), QString("/k/sub/a.gpn"));
    for (const QString& kept :
         {QString("/srv/a.gpn"), QString("http://h/a.gpn"), QString("file:///a.gpn"),
          QString("\\\\srv\\pub\\a.gpn"), QString("smb://srv/pub/a.gpn"), QString()})
        QCOMPARE(AbsoluteDocumentPath(kept, "/k/"), kept);
}

void DocumentFilesTest::recentFiles()
{
    DocumentFixture f;
    for (int i = 1; i <= 11; ++i)
        AddToRecentFiles(f.services, QString("/d/%1.gpn").arg(i));
    QStringList list = ReadRecentFiles(f.services);
    QCOMPARE(list.size(), 10);
    QCOMPARE(list.first(), QString("/d/11.gpn"));
    QCOMPARE(list.last(), QString("/d/2.gpn"));

    // Reopened, an entry moves to the top; a name in other letters is another document.
    list = AddToRecentFiles(f.services, "/d/5.gpn");
    QCOMPARE(list.size(), 10);
    QCOMPARE(list.first(), QString("/d/5.gpn"));
    QCOMPARE(list.count("/d/5.gpn"), 1);
    list = AddToRecentFiles(f.services, "/D/5.GPN");
    QCOMPARE(list.mid(0, 2), QStringList({"/D/5.GPN", "/d/5.gpn"}));
    QCOMPARE(list.size(), 10);
    QCOMPARE(ReadRecentFiles(f.services), list);
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, f.program.userKeyPath, "RecentFile1"),
             QString("/D/5.GPN"));
    // Web addresses compare as before, without regard to case.
    AddToRecentFiles(f.services, "http://h/Show.gpn");
    list = AddToRecentFiles(f.services, "HTTP://H/show.GPN");
    QCOMPARE(list.filter(QRegularExpression("(?i)^http://h/show.gpn$")).size(), 1);
}

void DocumentFilesTest::shellRecentDocuments()
{
    DocumentFixture f;
    AddToShellRecentDocuments(f.shell, "http://h/a.gpn");
    AddToShellRecentDocuments(f.shell, "https://h/a.gpn");
    AddToShellRecentDocuments(f.shell, "<Resource>");
    AddToShellRecentDocuments(f.shell, "");
    AddToShellRecentDocuments(f.shell, "C:\\Shows\\a.gpn");
    AddToShellRecentDocuments(f.shell, "/srv/b.gpn");
    QCOMPARE(f.shell.recentDocuments(), QStringList({"C:/Shows/a.gpn", "/srv/b.gpn"}));
}

void DocumentFilesTest::browserCacheCopies()
{
    QVERIFY(IsInBrowserCache("C:\\Documents\\Temporary Internet Files\\Content.IE5\\a.gpn"));
    QVERIFY(IsInBrowserCache("c:\\windows\\tempor~1\\a.gpn"));
    QVERIFY(IsInBrowserCache("/home/u/.cache/browser/a.gpn"));
    QVERIFY(!IsInBrowserCache("/home/u/Documents/a.gpn"));

    DocumentFixture f;
    const QString source = f.write("cache/a.gpn", "[Page1]\nURL=x\n");
    f.write("docs/a.gpn", "taken");
    f.write("docs/1a.gpn", "taken too");
    const QString copy = CopyIntoFolder(source, f.path("docs"));
    QCOMPARE(copy, f.path("docs/11a.gpn"));
    QCOMPARE(readFileBytes(copy), QByteArray("[Page1]\nURL=x\n"));
    QVERIFY(CopyIntoFolder(f.path("cache/none.gpn"), f.path("docs")).isEmpty());
}

void DocumentFilesTest::association()
{
    DocumentFixture f;
    const QString program = "/opt/Glasspane/bin/glasspane";
    QVERIFY(AssociationNeeded(f.registry, f.shell, program));
    QVERIFY(WriteAssociation(f.registry, f.shell, program));
    QVERIFY(!AssociationNeeded(f.registry, f.shell, program));
    QVERIFY(AssociationNeeded(f.registry, f.shell, "/usr/bin/glasspane"));
    QCOMPARE(f.shell.defaultApplicationId("application/gpane4"), QString("glasspane.desktop"));
    // Another program's desktop file is the default again: the association is needed again.
    QVERIFY(f.shell.setDefaultApplication("application/gpane4", "editor.desktop"));
    QVERIFY(AssociationNeeded(f.registry, f.shell, program));

    const QString command =
        f.registry.string(RegRoot::ClassesRoot, "gpn_auto_file\\shell\\open\\command", "");
    QCOMPARE(command, program + " \"%1\"");
    QCOMPARE(f.registry.string(RegRoot::ClassesRoot, ".gpn", ""), QString("gpn_auto_file"));
    QCOMPARE(f.registry.string(RegRoot::ClassesRoot, ".gpn", "Content Type"),
             QString("application/gpane4"));
    QCOMPARE(f.registry.string(RegRoot::ClassesRoot,
                               "MIME\\Database\\Content Type\\application/gpane4", "Extension"),
             QString(".gpn"));
    QCOMPARE(f.registry.string(RegRoot::ClassesRoot, "gpn_auto_file", ""),
             QString("Glasspane file"));
    QCOMPARE(f.registry.string(RegRoot::LocalMachine, "SOFTWARE\\Classes\\gpn_auto_file", ""),
             QString("Glasspane file"));

    // The next save writes a pending association; a failed write stays pending.
    DocumentFixture g;
    g.doc.AssociationPending = true;
    g.registry.setWritable(RegRoot::ClassesRoot, false);
    const QString p = g.path("d.gpn");
    (void)SaveDocument(g.services, g.doc, p, p);
    QVERIFY(g.doc.AssociationPending);
    g.registry.setWritable(RegRoot::ClassesRoot, true);
    QVERIFY(SaveDocument(g.services, g.doc, p, p));
    QVERIFY(!g.doc.AssociationPending);
    QVERIFY(!AssociationNeeded(g.registry, g.shell, g.program.programPath));
    // The desktop refusing the default application keeps it pending as well.
    DocumentFixture h;
    h.doc.AssociationPending = true;
    h.shell.setChoicesWritable(false);
    QVERIFY(SaveDocument(h.services, h.doc, h.path("d.gpn"), h.path("d.gpn")));
    QVERIFY(h.doc.AssociationPending);
}

QTEST_GUILESS_MAIN(DocumentFilesTest)
#include "document_files_test.moc"
