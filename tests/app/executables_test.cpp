#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ExecutablesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void glasspane_data();
    void glasspane();
    void glasspaneRefusesWhatItDoesNotKnow_data();
    void glasspaneRefusesWhatItDoesNotKnow();
    void gpane_data();
    void gpane();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    static QString binary(const QString& name);
    static Run run(const QString& program, const QStringList& arguments,
                   const QString& folder = QString());
    // The files under the test's home and under folder.
    static QStringList filesIn(const QString& folder);
};

QString ExecutablesTest::binary(const QString& name)
{
    return qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") + "/src/app/" + name;
}

QStringList ExecutablesTest::filesIn(const QString& folder)
{
    QStringList files;
    for (const QString& root : {qEnvironmentVariable("HOME"), folder}) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    return files;
}

ExecutablesTest::Run ExecutablesTest::run(const QString& program, const QStringList& arguments,
                                          const QString& folder)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void ExecutablesTest::glasspane_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output"); // expected at the start of standard output
    QTest::newRow("--version") << QStringList{"--version"} << "Glasspane 4.35\n";
    QTest::newRow("--help") << QStringList{"--help"} << "Usage: glasspane";
    QTest::newRow("--help --verbose") << QStringList{"--verbose", "--help"} << "Usage: glasspane";
    QTest::newRow("--help lists --screenshots")
        << QStringList{"--help"} << "Usage: glasspane [--verbose] [--screenshots DIR]";
    QTest::newRow("/A ends at once") << QStringList{"/A", "123"} << "";
    QTest::newRow("/a ends at once") << QStringList{"/a"} << "";
}

void ExecutablesTest::glasspane()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    const QString program = binary("glasspane");
    if (!QFileInfo::exists(program))
        QSKIP("glasspane is not built (GUI off, or build the glasspane target first)");
    const Run r = run(program, arguments);
    QCOMPARE(r.exitCode, 0);
    if (output.isEmpty())
        QCOMPARE(r.out, QString());
    else
        QVERIFY2(r.out.startsWith(output), qPrintable(r.out));
}

void ExecutablesTest::glasspaneRefusesWhatItDoesNotKnow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // expected on standard error
    QTest::newRow("-h") << QStringList{"-h"} << "unknown option -h";
    QTest::newRow("-v") << QStringList{"-v"} << "unknown option -v";
    QTest::newRow("--helpp") << QStringList{"--helpp"} << "unknown option --helpp";
    QTest::newRow("after a document")
        << QStringList{"show.gpn", "--fullscreen"} << "unknown option --fullscreen";
    QTest::newRow("--screenshots without a folder")
        << QStringList{"--screenshots"} << "--screenshots needs a folder";
    QTest::newRow("screenshot folder that cannot be made")
        << QStringList{"--screenshots", "plain-file/shots", "/A"}
        << "cannot save screenshots in plain-file/shots";
}

void ExecutablesTest::glasspaneRefusesWhatItDoesNotKnow()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString program = binary("glasspane");
    if (!QFileInfo::exists(program))
        QSKIP("glasspane is not built (GUI off, or build the glasspane target first)");
    QTemporaryDir folder;
    QFile plain(folder.filePath("plain-file"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QStringList before = filesIn(folder.path());

    const Run r = run(program, arguments, folder.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (!message.startsWith("cannot"))
        QVERIFY2(r.err.contains("Usage: glasspane"), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    // Nothing written: no document named after the option, no settings.
    QCOMPARE(filesIn(folder.path()), before);
}

void ExecutablesTest::gpane_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "playlist [--all] DOCUMENT"
                            << "";
    QTest::newRow("lists cache-name") << QStringList{"--help"} << 0 << "cache-name URL"
                                      << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Glasspane 4.35"
                               << "";
    QTest::newRow("nothing") << QStringList{} << 2 << ""
                             << "Usage: gpane";
    QTest::newRow("unknown") << QStringList{"frobnicate"} << 2 << ""
                             << "unknown command";
}

void ExecutablesTest::gpane()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString program = binary("gpane");
    QVERIFY2(QFileInfo::exists(program), "build the gpane target first");
    const Run r = run(program, arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    if (exitCode == 0)
        QVERIFY(r.err.isEmpty());
}

QTEST_GUILESS_MAIN(ExecutablesTest)
#include "executables_test.moc"
