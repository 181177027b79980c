// The log of a start as the user unit makes it, without --verbose: the program's own warnings
// and nothing of the browser engine's start-up (its OpenGL set-up, the sandbox, Chromium's own
// log lines); with --verbose, the engine has its say.

#include "running_show.h"

#include <QDir>
#include <QTest>

using namespace glasspane;

class StartUpLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void engineChatterOnlyWhenVerbose_data();
    void engineChatterOnlyWhenVerbose();
};

void StartUpLogTest::engineChatterOnlyWhenVerbose_data()
{
    QTest::addColumn<bool>("verbose");
    QTest::newRow("quiet") << false;
    QTest::newRow("--verbose") << true;
}

void StartUpLogTest::engineChatterOnlyWhenVerbose()
{
    QFETCH(bool, verbose);
    RunningShow show(verbose ? QStringLiteral("log-verbose") : QStringLiteral("log-quiet"));
    show.process.setVerbose(verbose);
    // A document that cannot be played as it stands: the program warns and plays the built-in
    // one instead.
    const QString missing = show.process.homePath(QStringLiteral("elsewhere/missing.gpn"));
    QVERIFY(show.process.start({missing}));
    // The engine has started and shown a page once its picture is saved.
    const QDir pictures(show.process.screenshotFolder());
    QVERIFY(show.process.waitFor([&] { return !pictures.isEmpty(QDir::Files); }));
    QVERIFY(show.process.stop() >= 0);

    const QStringList log = show.process.log();
    const QRegularExpression ours(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} glasspane: (warning|error): "));
    // The program's own warning stays.
    const QRegularExpression warning(
        QStringLiteral("warning: the document .*/missing.gpn does not exist"));
    QVERIFY2(!log.filter(warning).isEmpty(), qPrintable(log.join(u'\n')));
    if (!verbose) {
        // Every line is a warning or an error in the program's own form.
        for (const QString& line : log)
            QVERIFY2(ours.match(line).hasMatch(), qPrintable(line));
    } else {
        // Qt WebEngine says as it starts that it runs without its sandbox (as the tests run it).
        QVERIFY2(!log.filter(QStringLiteral("info: Sandboxing disabled")).isEmpty(),
                 qPrintable(log.join(u'\n')));
    }
}

QTEST_GUILESS_MAIN(StartUpLogTest)
#include "start_up_log_test.moc"
