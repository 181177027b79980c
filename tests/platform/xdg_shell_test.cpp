#include "platform/linux/xdg_shell.h"
#include "platform/linux/xscreensaver_file.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

struct Bookmark
{
    QString href;
    QStringList mimeTypes;
    QStringList applications; // "name:count"
};

QList<Bookmark> readBookmarks(const QByteArray& xbel, bool* ok)
{
    QList<Bookmark> result;
    QXmlStreamReader r(xbel);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("bookmark"))
            result.append({r.attributes().value("href").toString(), {}, {}});
        else if (r.name() == QLatin1String("mime-type") && !result.isEmpty())
            result.last().mimeTypes.append(r.attributes().value("type").toString());
        else if (r.name() == QLatin1String("application") && !result.isEmpty())
            result.last().applications.append(r.attributes().value("name").toString() + ":" +
                                              r.attributes().value("count").toString());
    }
    *ok = !r.hasError();
    return result;
}

// A list written by another program.
const char OtherProgramsXbel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
    ">\n"
    "  <bookmark href=\"file:///home/u/photo.png\" added=\"2024-01-01T10:00:00Z\" "
    "modified=\"2024-01-01T10:00:00Z\" visited=\"2024-01-01T10:00:00Z\">\n"
    "    <info>\n"
    "      <metadata owner=\"http://freedesktop.org\">\n"
    "        <mime:mime-type type=\"image/png\"/>\n"
    "        <bookmark:applications>\n"
    "          <bookmark:application name=\"Image Viewer\" exec=\"&apos;eog %u&apos;\" "
    "modified=\"2024-01-01T10:00:00Z\" count=\"3\"/>\n"
    "        </bookmark:applications>\n"
    "      </metadata>\n"
    "    </info>\n"
    "  </bookmark>\n"
    "</xbel>\n";

} // namespace

class XdgShellTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void splitExec_data();
    void splitExec();
    void expandExec_data();
    void expandExec();
    void openCommandKeepsTheFileOneArgument();
    void noDefaultApplication();
    void recentDocumentsKeepOtherEntries();
    void recentDocumentsCreatesMissingFile();
    void foldersAreCreated();
    void privateTempFolder();
    void documentTypeDefault();
    void screenSaverChoice();

private:
    QTemporaryDir m_root;
};

void XdgShellTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QString r = m_root.path();
    qputenv("XDG_DATA_HOME", QFile::encodeName(r + "/data"));
    // The system MIME database stays reachable; applications come from the fake tree only.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(r + "/sys:/usr/share"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(r + "/config"));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(r + "/etcxdg"));
    qunsetenv("XDG_CURRENT_DESKTOP");

    // The user's choice names an application that is not installed first, then the viewer.
    QVERIFY(writeFileBytes(
        r + "/config/mimeapps.list",
        "[Added Associations]\ntext/plain=other.desktop;\n\n"
        "[Default Applications]\ntext/plain=missing.desktop;vendor-viewer.desktop;\n"));
    // A system-wide default that the user's choice overrides.
    QVERIFY(writeFileBytes(r + "/sys/applications/mimeapps.list",
                           "[Default Applications]\ntext/plain=other.desktop\n"));
    QVERIFY(writeFileBytes(r + "/sys/applications/other.desktop",
                           "[Desktop Entry]\nType=Application\nExec=env --other %f\n"));
    // Found through the vendor sub-folder rule (vendor-viewer.desktop -> vendor/viewer.desktop).
    QVERIFY(writeFileBytes(r + "/data/applications/vendor/viewer.desktop",
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Viewer\n"
                           "Exec=env --opt \"two words\" \"say \\\\\"hi\\\\\" \\\\$HOME\" %f %i "
                           "--name=%c --last\n"));
}

void XdgShellTest::splitExec_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("plain") << "prog -a  b" << QStringList{"prog", "-a", "b"};
    QTest::newRow("quoted blank") << "prog \"a b\" c" << QStringList{"prog", "a b", "c"};
    QTest::newRow("escapes in quotes")
        << R"(prog "a \"q\" \$x \`y\` \\ z")" << QStringList{"prog", R"(a "q" $x `y` \ z)"};
    QTest::newRow("quote inside word") << "prog --x=\"a b\"" << QStringList{"prog", "--x=a b"};
    QTest::newRow("empty quoted") << "prog \"\"" << QStringList{"prog", ""};
    QTest::newRow("semicolon is no separator") << "prog a;b" << QStringList{"prog", "a;b"};
    QTest::newRow("broken quote") << "prog \"a b" << QStringList{};
}

void XdgShellTest::splitExec()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, words);
    QCOMPARE(XdgShell::splitExec(exec), words);
}

void XdgShellTest::expandExec_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("command");
    const QString f = QStringLiteral("/t/a b;\"c\".txt");

    QTest::newRow("%f") << "prog %f" << QStringList{"prog", f};
    QTest::newRow("%U") << "prog --new %U" << QStringList{"prog", "--new", f};
    QTest::newRow("%1") << "prog %1" << QStringList{"prog", f};
    QTest::newRow("only the first code") << "prog %f %u %F" << QStringList{"prog", f};
    QTest::newRow("no code: appended") << "prog -x" << QStringList{"prog", "-x", f};
    QTest::newRow("other codes dropped")
        << "prog %i %c %k %d %D %n %N %v %m %u" << QStringList{"prog", f};
    QTest::newRow("inside a word") << "prog --file=%f" << QStringList{"prog", "--file=" + f};
    QTest::newRow("percent") << "prog 100%% %f" << QStringList{"prog", "100%", f};
    QTest::newRow("quoted code is literal")
        << "sh -c \"cat %f\"" << QStringList{"sh", "-c", "cat %f", f};
    QTest::newRow("empty") << "" << QStringList{};
}

void XdgShellTest::expandExec()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, command);
    QCOMPARE(XdgShell::expandExec(exec, QStringLiteral("/t/a b;\"c\".txt")), command);
}

void XdgShellTest::openCommandKeepsTheFileOneArgument()
{
    // A name that a shell would split, unquote and run as a second command.
    const QString file = m_root.path() + "/docs/a b \"c\" ; touch 'pwned' $(x).txt";
    QVERIFY(writeFileBytes(file, "hello\n"));
    XdgShell shell;
    const QStringList command = shell.openCommand(file);
    const QStringList expected{QStandardPaths::findExecutable("env"),
                               "--opt",
                               "two words",
                               "say \"hi\" $HOME",
                               file,
                               "--name=",
                               "--last"};
    QCOMPARE(command, expected);
    QVERIFY(XdgShell::defaultApplication("text/plain").endsWith("/vendor/viewer.desktop"));
}

void XdgShellTest::noDefaultApplication()
{
    QVERIFY(XdgShell::defaultApplication("application/x-glasspane-nothing").isEmpty());
    XdgShell shell;
    QVERIFY(shell.openCommand(QString()).isEmpty());
    // File types go by the name, as they were registered: a cached copy named ".tmp" finds
    // no program, although its text would have one.
    const QString copy = m_root.path() + "/cache/0123456789abcdef0123456789abcdef.tmp";
    QVERIFY(writeFileBytes(copy, "hello\n"));
    QVERIFY(shell.openCommand(copy).isEmpty());
}

void XdgShellTest::recentDocumentsKeepOtherEntries()
{
    const QString xbel = m_root.path() + "/data/recently-used.xbel";
    QVERIFY(writeFileBytes(xbel, OtherProgramsXbel));
    const QString doc = m_root.path() + "/shows/my show.gpn";
    XdgShell shell;
    shell.addRecentDocument(doc);
    shell.addRecentDocument(doc);

    bool ok = false;
    const QList<Bookmark> marks = readBookmarks(readFileBytes(xbel), &ok);
    QVERIFY(ok);
    QCOMPARE(marks.size(), 2);
    QCOMPARE(marks[0].href, QStringLiteral("file:///home/u/photo.png"));
    QCOMPARE(marks[0].mimeTypes, QStringList{"image/png"});
    QCOMPARE(marks[0].applications, QStringList{"Image Viewer:3"});
    QCOMPARE(QUrl(marks[1].href), QUrl::fromLocalFile(doc));
    QCOMPARE(marks[1].mimeTypes, QStringList{"application/gpane4"});
    QCOMPARE(marks[1].applications, QStringList{"Glasspane:2"});

    // Opened again by the other program's entry: our application joins it.
    shell.addRecentDocument("/home/u/photo.png");
    const QList<Bookmark> again = readBookmarks(readFileBytes(xbel), &ok);
    QVERIFY(ok);
    QCOMPARE(again.size(), 2);
    QCOMPARE(again[0].applications, (QStringList{"Image Viewer:3", "Glasspane:1"}));

    // A file that is not a bookmark list is left alone.
    QVERIFY(writeFileBytes(xbel, "not xml <"));
    shell.addRecentDocument(doc);
    QCOMPARE(readFileBytes(xbel), QByteArray("not xml <"));
}

void XdgShellTest::recentDocumentsCreatesMissingFile()
{
    const QString xbel = m_root.path() + "/data/recently-used.xbel";
    QFile::remove(xbel);
    XdgShell shell;
    shell.addRecentDocument(m_root.path() + "/new.gpn");
    bool ok = false;
    const QList<Bookmark> marks = readBookmarks(readFileBytes(xbel), &ok);
    QVERIFY(ok);
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks[0].applications, QStringList{"Glasspane:1"});
    QCOMPARE(modeOf(xbel), mode_t(0600));
    QVERIFY(readFileBytes(xbel).startsWith("<?xml"));
}

void XdgShellTest::foldersAreCreated()
{
    XdgShell shell;
    const QString r = m_root.path();
    QCOMPARE(shell.folder(Shell::Folder::Config), r + "/config/glasspane");
    QCOMPARE(shell.folder(Shell::Folder::Data), r + "/data/glasspane");
    QCOMPARE(shell.folder(Shell::Folder::Favorites), r + "/data/glasspane/Favorites");
    QVERIFY(QFileInfo(r + "/data/glasspane/Favorites").isDir());
    QCOMPARE(modeOf(r + "/data/glasspane/Favorites"), mode_t(0700));
    QCOMPARE(shell.folder(Shell::Folder::Cache),
             QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/glasspane");
    const QString docs = shell.folder(Shell::Folder::Documents);
    QCOMPARE(docs, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QVERIFY(QFileInfo(docs).isDir());
}

void XdgShellTest::privateTempFolder()
{
    // The test runner gives a private runtime folder: it is used as it is.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QVERIFY(!runtime.isEmpty());
    QCOMPARE(XdgShell().folder(Shell::Folder::Temp),
             QDir::cleanPath(QString::fromLocal8Bit(runtime)));

    // A runtime folder others can enter is not private: a folder of our own is made instead.
    QTemporaryDir tmp;
    const QString open = tmp.path() + "/open";
    QVERIFY(QDir().mkdir(open));
    QVERIFY(QFile::setPermissions(open, QFileDevice::Permissions(0x7755)));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open));
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    const QString own = tmp.path() + "/glasspane-" + QString::number(::getuid());
    QCOMPARE(XdgShell::privateTempFolder(), own);
    QCOMPARE(modeOf(own), mode_t(0700));

    // Made too open afterwards: closed again.
    QVERIFY(QFile::setPermissions(own, QFileDevice::Permissions(0x7755)));
    QCOMPARE(XdgShell::privateTempFolder(), own);
    QCOMPARE(modeOf(own), mode_t(0700));

    // The name taken by a symbolic link (to a folder an attacker controls): not followed.
    QVERIFY(QDir().rmdir(own));
    QVERIFY(QFile::link(open, own));
    const QString other = XdgShell::privateTempFolder();
    QVERIFY(other.startsWith(own + "-"));
    QCOMPARE(modeOf(other), mode_t(0700));
    QCOMPARE(modeOf(open), mode_t(0755));

    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("TMPDIR");
    qputenv("XDG_RUNTIME_DIR", runtime);
}

void XdgShellTest::documentTypeDefault()
{
    const QString r = m_root.path();
    QVERIFY(writeFileBytes(r + "/data/applications/glasspane.desktop",
                           "[Desktop Entry]\nType=Application\nName=Glasspane\n"
                           "Exec=env glasspane %f\nMimeType=application/gpane4;\n"));
    XdgShell shell;
    QVERIFY(shell.defaultApplicationId("application/gpane4").isEmpty());
    QVERIFY(shell.setDefaultApplication("application/gpane4", "glasspane.desktop"));
    QCOMPARE(shell.defaultApplicationId("application/gpane4"), QStringLiteral("glasspane.desktop"));
    // The user's other choices stand.
    const QByteArray list = readFileBytes(r + "/config/mimeapps.list");
    QVERIFY(list.contains("text/plain=missing.desktop;vendor-viewer.desktop;"));
    QVERIFY(XdgShell::defaultApplication("text/plain").endsWith("/vendor/viewer.desktop"));
}

void XdgShellTest::screenSaverChoice()
{
    const QString home = m_root.path() + "/home";
    QVERIFY(QDir().mkpath(home));
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const QString file = home + "/.xscreensaver";
    QCOMPARE(XdgShell::xscreensaverFile(), file);

    XdgShell shell;
    QVERIFY(shell.screenSaverProgram().isEmpty());
    QVERIFY(shell.setScreenSaver("/usr/bin/glasspane"));
    QCOMPARE(shell.screenSaverProgram(), QStringLiteral("/usr/bin/glasspane"));
    // Started with the switch the XScreenSaver installed here expects.
    QByteArray defaults;
    for (const char* path :
         {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"}) {
        if (defaults.isEmpty())
            defaults = readFileBytes(QString::fromLatin1(path));
    }
    const QByteArray command = "/usr/bin/glasspane " + RootSwitch(defaults).toUtf8();
    QVERIFY(readFileBytes(file).contains(command));

    // A file of the user's keeps its lines and its permissions.
    QVERIFY(writeFileBytes(file, "timeout:\t0:01:00\nmode:\t\tblank\nlock:\t\tTrue\n"));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(shell.setScreenSaver("/opt/kiosk/glasspane"));
    QCOMPARE(shell.screenSaverProgram(), QStringLiteral("/opt/kiosk/glasspane"));
    const QByteArray text = readFileBytes(file);
    QVERIFY(text.startsWith("timeout:\t0:01:00\nmode:\t\tone\nlock:\t\tTrue\n"));
    QCOMPARE(modeOf(file), mode_t(0640));

    // Something that is no file of settings is left alone.
    QVERIFY(QFile::remove(file));
    QVERIFY(QDir().mkpath(file));
    QVERIFY(!shell.setScreenSaver("/usr/bin/glasspane"));
    QVERIFY(QFileInfo(file).isDir());
    qputenv("HOME", savedHome);
}

QTEST_GUILESS_MAIN(XdgShellTest)
#include "xdg_shell_test.moc"
