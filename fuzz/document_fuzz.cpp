// Documents: a .gpn file loaded (its pages expanded), saved and loaded again is the same
// document, with the same play list, and a second save writes the same bytes as the first. The
// seeds that Windows (Wine) was asked about (fuzz/wine_answers, recorded by
// tests/wine/ini_files_test.cpp) must be read as it read them.
// Value files are the document's own text; folders of the folder kinds are a small folder of the
// fuzzer's, so that no input walks the machine's disks.

#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/text.h"
#include "fuzz_check.h"
#include "fuzz_services.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/ini_oracle_dump.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

// Values of one range at most: enough to expand, not to fill the memory.
constexpr qint32 kRangeCap = 100;

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QString valueFolder()
{
    const QString folder = scratch().filePath(QStringLiteral("values/"));
    if (!QFileInfo::exists(folder + QStringLiteral("sub/b.html"))) {
        QDir().mkpath(folder + QStringLiteral("sub"));
        for (const char* name : {"a.htm", "sub/b.html", "c.url", "sub/d.url"}) {
            QFile file(folder + QLatin1String(name));
            if (file.open(QIODevice::WriteOnly))
                file.write("[InternetShortcut]\r\nURL=http://h/");
        }
    }
    return folder;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct WineAnswer
{
    QString name;
    QString answer;
};

// Wine's answers by the SHA-1 of the document they are about.
const QHash<QByteArray, WineAnswer>& wineAnswers()
{
    static const QHash<QByteArray, WineAnswer> answers = [] {
        QHash<QByteArray, WineAnswer> byDigest;
        const QString fuzz = QStringLiteral(GLASSPANE_FUZZ_DIR);
        const QDir dir(fuzz + QStringLiteral("/wine_answers"));
        for (const QString& name : dir.entryList(QDir::Files)) {
            const QByteArray document =
                fileBytes(fuzz + QStringLiteral("/corpus/document/") + name);
            byDigest.insert(QCryptographicHash::hash(document, QCryptographicHash::Sha1),
                            {name, QString::fromUtf8(fileBytes(dir.filePath(name)))});
        }
        return byDigest;
    }();
    return answers;
}

// The services of one run, fresh each time.
struct Services : FuzzServices
{
    explicit Services(const QString& valueText) : FuzzServices(QDir(scratch().path()), valueText) {}

    // Loads without expansion, points the folder kinds at the fuzzer's folder, keeps ranges
    // small, then expands as loading would.
    DocumentState load(const QString& path)
    {
        DocumentState doc;
        program.documentPath = path;
        program.documentName = path;
        (void)LoadDocument(services, doc, path, path, {false, LoadMode::Normal});
        for (qsizetype i = 1; i < doc.PageList.size(); ++i) {
            PageEntry& page = doc.PageList[i];
            if (page.Var1Type == VarShortcuts || page.Var1Type == VarHtmlFiles)
                page.Var1Param = valueFolder();
            if (page.Var1Type == VarRange) {
                const qint32 from = ToLong(page.Var1Source, 0);
                const qint32 to = ToLong(page.Var1Param, 0);
                if (qAbs(qint64(to) - from) > kRangeCap)
                    page.Var1Param =
                        QString::number(from < to ? from + kRangeCap : from - kRangeCap);
            }
        }
        ExpansionContext context = ExpansionContextFor(services);
        context.favoritesFolder = valueFolder();
        ExpandPageList(doc.PageList, doc.PlayList, doc.IncludeList, doc.ExcludeList, context);
        return doc;
    }
};

QString pageText(const PageEntry& p)
{
    return QStringList{p.URL,
                       QString::number(p.DefaultTime),
                       QString::number(p.Time),
                       QString::number(p.Var1Type),
                       p.Var1Source,
                       p.Var1Param,
                       QString::number(p.Var1CaseSensitive),
                       QString::number(p.Var1SubDirectories),
                       QString::number(p.Cached),
                       QString::number(p.SeparateProc)}
        .join(u'|');
}

QString playText(const PlayEntry& p)
{
    return QStringList{p.URL,
                       QString::number(p.DefaultTime),
                       QString::number(p.Time),
                       QString::number(p.SourcePage),
                       QString::number(p.Cached),
                       QString::number(p.SeparateProc)}
        .join(u'|');
}

QString buttonText(const ToolButton& b)
{
    return QStringList{b.Name,
                       b.HelpTip,
                       b.Icon,
                       b.IconDown,
                       QString::number(b.Visible),
                       QString::number(b.Index),
                       QString::number(b.Position)}
        .join(u'|');
}

// Everything a document holds, as lines to compare.
QStringList contents(const DocumentState& doc)
{
    QStringList lines{doc.HomeURL,
                      QString::number(doc.AutoHome),
                      QString::number(doc.HomeAsSplash),
                      QString::number(doc.AutoLoop),
                      QString::number(doc.DefaultTime),
                      doc.FirstPage,
                      QString::number(doc.ToolNavURLVisible)};
    for (qsizetype i = 1; i < doc.PageList.size(); ++i)
        lines << QStringLiteral("page ") + pageText(doc.PageList[i]);
    for (qsizetype i = 1; i < doc.PlayList.size(); ++i)
        lines << QStringLiteral("play ") + playText(doc.PlayList[i]);
    for (const QString& s : doc.IncludeList)
        lines << QStringLiteral("include ") + s;
    for (const QString& s : doc.ExcludeList)
        lines << QStringLiteral("exclude ") + s;
    for (const ToolButton& b : doc.ToolRunButtons)
        lines << QStringLiteral("run ") + buttonText(b);
    for (const ToolButton& b : doc.ToolNavButtons)
        lines << QStringLiteral("nav ") + buttonText(b);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto wine =
        wineAnswers().constFind(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1));
    if (wine != wineAnswers().constEnd()) {
        const QString seed = scratch().filePath(wine->name);
        QFile file(seed);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), seed);
        file.close();
        IniFiles ini;
        FUZZ_EQUAL(IniOracleDump(ini, seed, wine->name, IniOracleProbes(wine->answer)),
                   wine->answer);
    }

    const QString path = scratch().filePath(QStringLiteral("show.gpn"));
    QFile::remove(path + QStringLiteral(".bak"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return 0;
    }
    const QString valueText = textOf(bytes);

    Services first(valueText);
    DocumentState doc = first.load(path);
    FUZZ_CHECK(SaveDocument(first.services, doc, path, path), QStringLiteral("first save"));
    const QByteArray saved = fileBytes(path);

    Services second(valueText);
    DocumentState again = second.load(path);
    FUZZ_EQUAL(contents(again), contents(doc));

    FUZZ_CHECK(SaveDocument(second.services, again, path, path), QStringLiteral("second save"));
    FUZZ_EQUAL(fileBytes(path), saved);
    return 0;
}
