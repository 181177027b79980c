#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

class ExecutablesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void glasspane_data();
    void glasspane();
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
    static Run run(const QString& program, const QStringList& arguments);
};

QString ExecutablesTest::binary(const QString& name)
{
    return qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") + "/src/app/" + name;
}

ExecutablesTest::Run ExecutablesTest::run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
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

void ExecutablesTest::gpane_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "playlist DOCUMENT"
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
