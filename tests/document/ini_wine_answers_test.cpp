// The INI reader held to what Windows (Wine) read from the documents of the fuzz corpus, without
// Wine: fuzz/wine_answers/NAME is its answer for fuzz/corpus/document/NAME, recorded by
// tests/wine/ini_files_test.cpp.

#include "document/ini_files.h"
#include "support/ini_oracle_dump.h"

#include <QDir>
#include <QTest>

using namespace glasspane;

class IniWineAnswersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAsWineRead_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("answer");
        const QString fuzz = qEnvironmentVariable("GLASSPANE_TEST_SOURCE_DIR") + "/fuzz";
        const QDir answers(fuzz + "/wine_answers");
        const QStringList names = answers.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), qPrintable("no answers in " + answers.path()));
        for (const QString& name : names) {
            QTest::newRow(qPrintable(name))
                << fuzz + "/corpus/document/" + name << answers.filePath(name);
        }
    }
    void readsAsWineRead()
    {
        QFETCH(QString, document);
        QFETCH(QString, answer);
        QFile file(answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString expected = QString::fromUtf8(file.readAll());
        IniFiles ini;
        QCOMPARE(
            IniOracleDump(ini, document, QFileInfo(document).fileName(), IniOracleProbes(expected)),
            expected);
    }
};

QTEST_GUILESS_MAIN(IniWineAnswersTest)
#include "ini_wine_answers_test.moc"
