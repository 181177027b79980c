// The INI reader against Windows: a Windows program (ini_oracle.c, built with MinGW) run under
// Wine prints what the private-profile functions read from a corpus of documents spelled every
// way (ini_corpus.h), and IniFiles must read the same section names, keys and values.
//
// GLASSPANE_WINE_SEED picks other random documents (1 by default). With
// GLASSPANE_WINE_ANSWERS_DIR set to the fuzz folder of the sources, the documents of at most
// 4096 bytes (the fuzzer's input limit) and Wine's answers for them are written there, as
// corpus/document/wine-NAME and wine_answers/wine-NAME: the reader is then held to Wine's
// answers without Wine (tests/document/ini_wine_answers_test.cpp, fuzz/document_fuzz.cpp).

#include "document/ini_files.h"
#include "ini_corpus.h"
#include "support/ini_oracle_dump.h"
#include "support/test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

namespace {

constexpr int kRandomDocuments = 300;
constexpr int kCommittedLimit = 4096;

QString shown(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes.left(400)) {
        const auto b = uchar(c);
        out += b >= 0x20 && b < 0x7f ? QString(QChar(b))
                                     : QStringLiteral("\\x%1").arg(b, 2, 16, QChar(u'0'));
    }
    return bytes.size() > 400 ? out + QStringLiteral("... (%1 bytes)").arg(bytes.size()) : out;
}

// The first line where the two blocks differ, both sides.
QString firstDifference(const QString& wine, const QString& ours)
{
    const QStringList a = wine.split(u'\n');
    const QStringList b = ours.split(u'\n');
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const QString x = a.value(i).left(300);
        const QString y = b.value(i).left(300);
        if (x != y)
            return QStringLiteral("line %1\n    Wine: %2\n    ours: %3").arg(i + 1).arg(x, y);
    }
    return QString();
}

} // namespace

class IniFilesWineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAsWindowsReads();
};

void IniFilesWineTest::readsAsWindowsReads()
{
    const QString oracle = qEnvironmentVariable("GLASSPANE_INI_ORACLE");
    const QString wine = qEnvironmentVariable("GLASSPANE_WINE");
    if (oracle.isEmpty() || wine.isEmpty())
        QSKIP("SKIPPED: Wine or MinGW-w64 is missing (the packages wine and gcc-mingw-w64-x86-64; "
              "scripts/install-deps.sh installs them), so the reader is not compared with Windows");
    QVERIFY2(QFileInfo(oracle).isFile(), qPrintable(oracle + " is not built"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const quint32 seed = qEnvironmentVariableIsSet("GLASSPANE_WINE_SEED")
                             ? quint32(qEnvironmentVariableIntValue("GLASSPANE_WINE_SEED"))
                             : 1;
    const QList<IniCorpusFile> corpus = IniCorpus(seed, kRandomDocuments);
    const QStringList probes = IniCorpusProbes();
    QByteArray list;
    for (const QString& probe : probes)
        list += "probe " + probe.toUtf8() + '\n';
    for (const IniCorpusFile& file : corpus) {
        QVERIFY(writeFileBytes(dir.filePath("wine-" + file.name), file.bytes));
        list += "file wine-" + file.name.toUtf8() + '\n';
    }
    QVERIFY(writeFileBytes(dir.filePath("list.txt"), list));
    QVERIFY(QFile::copy(oracle, dir.filePath("ini_oracle.exe")));

    // One Wine start for the whole corpus, in a Wine folder of its own: no window, no prompts
    // for add-ons, no traces.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", dir.filePath("prefix"));
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(wine, {"ini_oracle.exe", "list.txt"});
    const bool finished = process.waitForFinished(600000);
    if (!finished)
        process.kill();
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    // Wine's server of that folder goes with it.
    const QString server = QStandardPaths::findExecutable("wineserver");
    if (!server.isEmpty()) {
        QProcess stop;
        stop.setProcessEnvironment(env);
        stop.start(server, {"-k"});
        stop.waitForFinished(60000);
    }
    QVERIFY2(finished && process.exitCode() == 0,
             qPrintable("Wine did not run the oracle: " + errors.right(2000)));

    const QHash<QString, QString> answers = SplitIniOracleOutput(output);
    const QString answersDir = qEnvironmentVariable("GLASSPANE_WINE_ANSWERS_DIR");
    int differences = 0;
    for (const IniCorpusFile& file : corpus) {
        const QString name = "wine-" + file.name;
        const QString answer = answers.value(name);
        QVERIFY2(!answer.isEmpty(), qPrintable("Wine said nothing about " + name));
        IniFiles ini;
        const QString ours = IniOracleDump(ini, dir.filePath(name), name, probes);
        if (answer != ours && ++differences <= 10)
            qWarning().noquote() << name << "is read otherwise:" << firstDifference(answer, ours)
                                 << "\n    file:" << shown(file.bytes);
        if (!answersDir.isEmpty() && file.bytes.size() <= kCommittedLimit) {
            QVERIFY(writeFileBytes(answersDir + "/corpus/document/" + name, file.bytes));
            QVERIFY(writeFileBytes(answersDir + "/wine_answers/" + name, answer.toUtf8()));
        }
    }
    QVERIFY2(differences == 0,
             qPrintable(QStringLiteral("%1 of %2 documents are read otherwise than Windows reads "
                                       "them (seed %3)")
                            .arg(differences)
                            .arg(corpus.size())
                            .arg(seed)));
}

QTEST_GUILESS_MAIN(IniFilesWineTest)
#include "ini_files_test.moc"
