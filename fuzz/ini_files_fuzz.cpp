// INI files as documents use them: a value written reads back as written (line breaks as
// blanks), and every other value of the file reads as it did, whatever its encoding, line ends
// or oddities.

#include "document/ini_files.h"
#include "document/ini_lines.h"
#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fuzzer/FuzzedDataProvider.h>

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

struct Probe
{
    QString section;
    QString key;
    QString value;
};

// The (section, key) names a file seems to hold; the reader decides what they really hold.
QList<Probe> namesIn(const QString& text)
{
    QList<Probe> probes;
    QString section;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            section = (close < 0 ? line.sliced(1) : line.sliced(1, close - 1)).trimmed().toString();
        } else if (const qsizetype eq = line.indexOf(u'='); eq > 0 && !section.isEmpty()) {
            probes.append({section, line.first(eq).trimmed().toString(), QString()});
        }
        if (probes.size() >= 64)
            break;
    }
    return probes;
}

bool sameName(const QString& a, const QString& b)
{
    return SameIniName(TrimIniBlanks(a), TrimIniBlanks(b));
}

QString readBack(const QString& value)
{
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    v.replace(QChar(0), u' ');
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.ini"));
    FuzzedDataProvider provider(data, size);
    const QString section =
        textOf(QByteArray::fromStdString(provider.ConsumeRandomLengthString(16)));
    const QString key = textOf(QByteArray::fromStdString(provider.ConsumeRandomLengthString(16)));
    QString value = textOf(QByteArray::fromStdString(provider.ConsumeRandomLengthString(48)));
    if (value.isNull())
        value = QStringLiteral("");
    const QByteArray bytes = QByteArray::fromStdString(provider.ConsumeRemainingBytesAsString());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return 0;
    }

    // A blank name writes nothing (and says so by succeeding).
    const bool writes = !TrimIniBlanks(section).isEmpty() && !TrimIniBlanks(key).isEmpty();
    QList<Probe> probes = namesIn(textOf(bytes));
    {
        IniFiles ini;
        for (Probe& p : probes)
            p.value = ini.ReadIni(p.section, p.key, path);
        if (!ini.WriteIni(section, key, value, path) || !writes) {
            // Refused: the file is as it was.
            QFile file(path);
            FUZZ_CHECK(file.open(QIODevice::ReadOnly), path);
            FUZZ_EQUAL(file.readAll(), bytes);
            return 0;
        }
    }

    IniFiles fresh;
    FUZZ_EQUAL(fresh.ReadIni(section, key, path), readBack(value));
    for (const Probe& p : probes) {
        if (sameName(p.section, section) && sameName(p.key, key))
            continue;
        FUZZ_CHECK(fresh.ReadIni(p.section, p.key, path) == p.value,
                   QStringLiteral("[%1] %2: %3 became %4")
                       .arg(show(p.section), show(p.key), show(p.value),
                            show(fresh.ReadIni(p.section, p.key, path))));
    }
    return 0;
}
