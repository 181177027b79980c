// Page-variable expansion: a range page of 100,000 values, and value files of 1, 10 and 50 MB
// with one match every 50 bytes for three patterns. Prints times and throughput; the scan
// should stay linear in the file's length and above 50 MB/s. Times are processor times.

#include "document/document.h"
#include "document/page_variables.h"
#include "document/paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <climits>
#include <ctime>

using namespace glasspane;

namespace {

QTextStream out(stdout);

// Processor time of this process in milliseconds: steadier than the wall clock on a busy
// machine.
double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

// Records of exactly 50 bytes, the three kinds in turn; values repeat every `distinct`
// records (0: never).
QByteArray makeValueFile(qint64 bytes, int distinct)
{
    QByteArray text;
    text.reserve(bytes + 64);
    qint64 i = 0;
    while (text.size() < bytes) {
        const qint64 v = distinct > 0 ? i % distinct : i;
        QByteArray record;
        switch (i % 3) {
        case 0:
            record = "<a href=\"page" + QByteArray::number(v) + ".html\">";
            break;
        case 1:
            record = "<IMG SRC=\"pic" + QByteArray::number(v) + ".gif\">";
            break;
        default:
            record = "[id:" + QByteArray::number(v) + "]";
            break;
        }
        record = record.leftJustified(49, ' ') + '\n';
        text += record;
        ++i;
    }
    return text;
}

void benchRange()
{
    QVector<PageEntry> pages(1);
    PageEntry page;
    page.URL = QStringLiteral("http://example.invalid/cam$$.jpg");
    page.Var1Type = VarRange;
    page.Var1Source = QStringLiteral("000001");
    page.Var1Param = QStringLiteral("100000");
    pages.append(page);
    QVector<PlayEntry> play(1);
    const QStringList include{QStringLiteral("http://example.invalid/")};
    const QStringList exclude{QStringLiteral("http://example.invalid/private/"),
                              QStringLiteral("http://ads.")};
    ExpansionContext context;

    const double start = cpuMs();
    ExpandPageList(pages, play, include, exclude, context);
    const double ms = cpuMs() - start;
    out << "range of 100000 values: " << (play.size() - 1) << " entries in "
        << QString::number(ms, 'f', 1) << " ms ("
        << QString::number((play.size() - 1) / (ms / 1000.0), 'f', 0) << " entries/s)\n";
}

void benchScan(const QString& folder, int megabytes, int distinct, bool caseSensitive)
{
    const qint64 bytes = qint64(megabytes) * 1024 * 1024;
    const QByteArray data = makeValueFile(bytes, distinct);
    const QString path = folder + QStringLiteral("/values%1.txt").arg(megabytes);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            out << "cannot write " << path << '\n';
            return;
        }
    }
    const QVector<ValuePattern> patterns =
        ParsePatterns(QStringLiteral("<a href=\"$$\">|<img src=\"$$\">|[id:$$]"));

    double start = cpuMs();
    const QString text = ReadTextFile(path);
    const double readMs = cpuMs() - start;
    // The best of three scans, so that a busy machine disturbs the figure less.
    QStringList values;
    double scanMs = 0;
    for (int round = 0; round < 3; ++round) {
        start = cpuMs();
        values = ScanValueFile(text, patterns, caseSensitive, INT_MAX);
        const double ms = cpuMs() - start;
        scanMs = round == 0 ? ms : qMin(scanMs, ms);
    }

    const double mb = double(data.size()) / (1024.0 * 1024.0);
    out << QStringLiteral("%1 MB, %2, %3: %4 values; read %5 ms, scan %6 ms = %7 MB/s "
                          "(read + scan %8 MB/s)\n")
               .arg(megabytes, 2)
               .arg(distinct > 0 ? QStringLiteral("values repeat every %1").arg(distinct)
                                 : QStringLiteral("all values distinct"))
               .arg(caseSensitive ? QStringLiteral("case-sensitive")
                                  : QStringLiteral("ignoring case"))
               .arg(values.size())
               .arg(readMs, 0, 'f', 1)
               .arg(scanMs, 0, 'f', 1)
               .arg(mb / (scanMs / 1000.0), 0, 'f', 1)
               .arg(mb / ((readMs + scanMs) / 1000.0), 0, 'f', 1);
    out.flush();
    QFile::remove(path);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        out << "no temporary folder\n";
        return 1;
    }
    benchRange();
    for (int mb : {1, 10, 50})
        benchScan(dir.path(), mb, 50000, false);
    for (int mb : {1, 10, 50})
        benchScan(dir.path(), mb, 0, false);
    benchScan(dir.path(), 50, 0, true);
    out.flush();
    return 0;
}
