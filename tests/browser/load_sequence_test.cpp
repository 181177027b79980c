// The decisions of the main window's load sequence that need no window: which document the
// command line opens, and where the window and the page go on the screen.

#include "browser/document_choice.h"
#include "browser/window_layout.h"
#include "document/document.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "support/fake_desktop.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace glasspane;

namespace {

struct Services
{
    Services()
        : shell(dir.path()),
          settings(registry, ini, program, system), services{ini,      settings, program, shell,
                                                             registry, clock,    nullptr, {},
                                                             {},       {}}
    {
        program.resourceFolder = dir.filePath(QStringLiteral("Gpane"));
        program.startFolder = dir.path() + QLatin1Char('/');
    }
    QString documents() { return shell.folder(Shell::Folder::Documents) + QLatin1Char('/'); }

    QTemporaryDir dir;
    FakeShell shell;
    FakeSystem system;
    SettableClock clock;
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    SettingsStore settings;
    DocumentServices services;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class LoadSequenceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documentOfTheCommandLine_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("document"); // "<default>" for the default document
        QTest::newRow("empty") << ""
                               << "<default>";
        QTest::newRow("blanks") << "   "
                                << "<default>";
        QTest::newRow("screen saver") << "/s"
                                      << "<default>";
        QTest::newRow("preview") << "/p 1234"
                                 << "<default>";
        QTest::newRow("configure") << "/c"
                                   << "<default>";
        QTest::newRow("configure with handle") << "/C:1234"
                                               << "<default>";
        QTest::newRow("configure, dash") << "-c"
                                         << "<default>";
        QTest::newRow("CONFIG any case") << "  Config "
                                         << "<default>";
        QTest::newRow("a path beginning like a switch") << "/srv/show.gpn"
                                                        << "/srv/show.gpn";
        // A relative name is made absolute from the start folder before it is kept anywhere.
        QTest::newRow("a word beginning with config") << "configure.gpn"
                                                      << "<start>configure.gpn";
        QTest::newRow("relative path") << "shows/../kiosk.gpn"
                                       << "<start>kiosk.gpn";
        QTest::newRow("path with blanks, no quotes") << "/home/ann/My Files/show.gpn"
                                                     << "/home/ann/My Files/show.gpn";
        QTest::newRow("quoted path, then more") << "\"/srv/a b/show.gpn\" /x"
                                                << "/srv/a b/show.gpn";
        QTest::newRow("web address") << "http://127.0.0.1:9/show.gpn"
                                     << "http://127.0.0.1:9/show.gpn";
    }
    void documentOfTheCommandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, document);
        Services s;
        const DocumentChoice choice = ChooseDocument(commandLine, s.services);
        if (document == u"<default>") {
            QCOMPARE(choice.documentPath, DefaultDocumentPath(s.services));
            QVERIFY(choice.isDefaultDocument);
        } else {
            QCOMPARE(choice.documentPath,
                     QString(document).replace(u"<start>"_qs, s.program.startFolder));
            QVERIFY(!choice.isDefaultDocument);
        }
        QVERIFY(!choice.copiedFromBrowserCache);
    }

    // Naming the default document itself counts as the default; in another letter case it is
    // another file.
    void defaultDocumentByName()
    {
        Services s;
        const QString path = DefaultDocumentPath(s.services);
        QVERIFY(ChooseDocument(path, s.services).isDefaultDocument);
        QVERIFY(!ChooseDocument(path.toUpper(), s.services).isDefaultDocument);
    }

    // A document opened from the browser's cache is copied next to the user's documents under
    // a name not yet taken, and becomes the default document.
    void documentFromTheBrowserCache()
    {
        Services s;
        const QString cached = s.dir.filePath(QStringLiteral("Temporary Internet Files/show.gpn"));
        writeFile(cached, "[Gpane]\r\nHomeURL=about:blank\r\n");
        writeFile(s.documents() + QStringLiteral("show.gpn"), "other");
        writeFile(s.documents() + QStringLiteral("1show.gpn"), "other");

        const DocumentChoice choice = ChooseDocument(cached, s.services);
        const QString copy = s.documents() + QStringLiteral("11show.gpn");
        QCOMPARE(choice.documentPath, copy);
        QVERIFY(choice.isDefaultDocument);
        QVERIFY(choice.copiedFromBrowserCache);
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Gpane]\r\nHomeURL=about:blank\r\n"));
        QCOMPARE(s.settings.read(keys::DefaultFile), copy);
    }

    // When the copy cannot be made, the document is shown where it is: it is never replaced by
    // a default document written at the copy's name.
    void browserCacheCopyFails()
    {
        Services s;
        const QString cached = s.dir.filePath(QStringLiteral("tempor~1/gone.gpn"));
        const DocumentChoice choice = ChooseDocument(cached, s.services);
        QCOMPARE(choice.documentPath, cached);
        QVERIFY(!choice.copiedFromBrowserCache);
        QVERIFY(s.settings.read(keys::DefaultFile).isEmpty());
    }

    void fitWindowToScreen_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QRect>("fitted");
        const QRect fits(1000, 1000, 6000, 4000);
        QTest::newRow("fits") << fits << fits;
        QTest::newRow("beyond the right edge")
            << QRect(14000, 0, 6000, 4000) << QRect(6000, 0, 6000, 4000);
        QTest::newRow("wider than the screen")
            << QRect(14000, 0, 15000, 4000) << QRect(0, 0, 12000, 4000);
        QTest::newRow("negative left") << QRect(-500, 0, 6000, 4000) << QRect(0, 0, 6000, 4000);
        QTest::newRow("below the bottom")
            << QRect(0, 8000, 6000, 4000) << QRect(0, 5000, 6000, 4000);
        QTest::newRow("higher than the screen")
            << QRect(0, 100, 6000, 10000) << QRect(0, 0, 6000, 9000);
    }
    void fitWindowToScreen()
    {
        QFETCH(QRect, stored);
        QFETCH(QRect, fitted);
        WindowPlacement p;
        p.WindowLeft = stored.x();
        p.WindowTop = stored.y();
        p.WindowWidth = stored.width();
        p.WindowHeight = stored.height();
        FitWindowToScreen(p, 12000, 9000);
        QCOMPARE(QRect(p.WindowLeft, p.WindowTop, p.WindowWidth, p.WindowHeight), fitted);
    }

    void browserGeometry()
    {
        // Full screen: the page's own border lies outside the window.
        QCOMPARE(BrowserGeometry(MainWindowState::FullScreen, 800, 600), QRect(-1, -1, 803, 603));
        QCOMPARE(BrowserGeometry(MainWindowState::Window, 800, 600), QRect(0, 0, 800, 600));
        // A state the program does not name (a document's WindowState=1) is a window too.
        QCOMPARE(BrowserGeometry(MainWindowState(1), 640, 480), QRect(0, 0, 640, 480));
    }

    void frameThickness_data()
    {
        QTest::addColumn<int>("borderStyle");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("fixed single") << 1 << 15 << 15;
        QTest::newRow("sizable") << 2 << 60 << 60;
        QTest::newRow("fixed dialog") << 3 << 45 << 45;
        QTest::newRow("fixed tool window") << 4 << 45 << 45;
        QTest::newRow("sizable tool window") << 5 << 60 << 60;
        QTest::newRow("unknown") << 9 << 0 << 0;
    }
    void frameThickness()
    {
        QFETCH(int, borderStyle);
        QFETCH(int, width);
        QFETCH(int, height);
        FakeDesktop desktop; // 15 twips a pixel; border 1, dialog frame 3, frame 4 pixels
        QCOMPARE(FrameWidthTwips(borderStyle, desktop), width);
        QCOMPARE(FrameHeightTwips(borderStyle, desktop), height);
    }
};

QTEST_GUILESS_MAIN(LoadSequenceTest)
#include "load_sequence_test.moc"
