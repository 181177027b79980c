#include "document/document.h"
#include "document/document_files.h"
#include "document/paths.h"
#include "document_fixture.h"
#include "support/fake_shares.h"

#include <QRegularExpression>
#include <QTest>

using namespace glasspane;

// Documents, pages, value files and folders on network shares, reached through the Shares port
// (a fake here: each share is a local folder once connected).
class NetworkSharesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documentOnAShare_data();
    void documentOnAShare();
    void unreachableShareWritesNothing();
};

void NetworkSharesTest::documentOnAShare_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("folder"); // as the document names its folders
    QTest::newRow("UNC") << "\\\\srv\\pub\\show.gpn"
                         << "\\\\srv\\pub";
    QTest::newRow("slashes") << "//srv/pub/show.gpn"
                             << "//srv/pub";
    QTest::newRow("smb address") << "smb://srv/pub/show.gpn"
                                 << "smb://srv/pub";
}

void NetworkSharesTest::documentOnAShare()
{
    QFETCH(QString, document);
    QFETCH(QString, folder);
    DocumentFixture f;
    FakeShares shares;
    NetworkDrives drives(shares);
    f.services.drives = &drives;
    const QString mount = f.path("mnt/pub");
    shares.addShare("\\\\srv\\pub", mount);
    f.write("mnt/pub/show.gpn", ("[Page1]\nURL=local.html\n"
                                 "[Page2]\nURL=" +
                                 folder + "/$$\nVar1Type=3\nVar1Source=" + folder +
                                 "/values.txt\nVar1Param=<$$>\n"
                                 "[Page3]\nURL=$$\nVar1Type=7\nVar1Param=" +
                                 folder + "/pages\n")
                                    .toUtf8());
    f.write("mnt/pub/local.html", "<p>");
    f.write("mnt/pub/values.txt", "<one> <two>");
    f.write("mnt/pub/pages/p.html", "<p>");

    QVERIFY(LoadDocument(f.services, f.doc, document, document));
    // Read in the mount folder; a page beside it found there; the value file and the folder
    // read through the share; the browser given the pages' places in the mount folder.
    QCOMPARE(f.program.documentPath, mount + "/show.gpn");
    QCOMPARE(f.playUrls(), QStringList({mount + "/local.html", mount + "/one", mount + "/two",
                                        mount + "/pages/p.html"}));
    QCOMPARE(shares.connectCalls(), QStringList{"\\\\srv\\pub"});
    QCOMPARE(drives.connectedShares(), QStringList{"\\\\srv\\pub"});
    // The document keeps the names as written.
    QCOMPARE(f.doc.PageList.at(2).URL, folder + "/$$");

    // Saved there too, with its paths relative to its own folder.
    f.doc.PageList[1].URL = mount + "/local.html";
    QVERIFY(SaveDocument(f.services, f.doc, document, document));
    QVERIFY(DocumentFixture::text(mount + "/show.gpn").contains("[Page1]\nURL=local.html\n"));
    QCOMPARE(ReadRecentFiles(f.services).first(), document);
}

void NetworkSharesTest::unreachableShareWritesNothing()
{
    // A share that cannot be reached is never taken for a local folder ("//srv/pub" would be
    // "/srv/pub" here): nothing is written, the default document is shown, the log says why.
    DocumentFixture f;
    FakeShares shares;
    NetworkDrives drives(shares);
    f.services.drives = &drives;
    const QString document = QStringLiteral("//srv/gone/show.gpn");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot reach the network share"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("cannot reach the network share of the document"));
    QVERIFY(!LoadDocument(f.services, f.doc, document, document));
    QCOMPARE(f.doc.pageCount(), 5);
    QVERIFY(!f.settings.write(keys::FirstPage, 2));
    QVERIFY(!WriteDefaultDocument(f.services, f.doc, document));
    QVERIFY(!QFileInfo::exists("/srv/gone"));

    // Without the port, network paths give nothing either.
    DocumentFixture g;
    const QString values =
        g.write("v.gpn", "[Page1]\nURL=x$$\nVar1Type=3\n"
                         "Var1Source=\\\\srv\\pub\\values.txt\nVar1Param=<$$>\n");
    QVERIFY(g.load(values));
    QCOMPARE(g.playUrls(), QStringList{});
}

QTEST_GUILESS_MAIN(NetworkSharesTest)
#include "network_shares_test.moc"
