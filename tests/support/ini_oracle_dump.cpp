#include "support/ini_oracle_dump.h"

#include "document/ini_files.h"

namespace glasspane {

namespace {

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != u'\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString unescaped(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\\' && i + 5 < text.size() && text.at(i + 1) == u'u') {
            out += QChar(char16_t(text.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 5;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

} // namespace

QString IniOracleDump(IniFiles& ini, const QString& path, const QString& name,
                      const QStringList& probes)
{
    QString out = QStringLiteral("file ") + name + u'\n';
    const auto section = [&](const QString& section) {
        out += QStringLiteral("section ") + escaped(section) + u'\n';
        for (const QString& key : ini.ReadKeyNames(section, path))
            out += QStringLiteral("key ") + escaped(key) + u'=' +
                   escaped(ini.ReadIni(section, key, path)) + u'\n';
        for (const QString& probe : probes)
            out += QStringLiteral("probe ") + escaped(probe) + u'=' +
                   escaped(ini.ReadIni(section, probe, path)) + u'\n';
    };
    section(QString());
    for (const QString& name : IniFiles::ReadSectionNames(path))
        section(name);
    return out;
}

QHash<QString, QString> SplitIniOracleOutput(const QString& output)
{
    QHash<QString, QString> blocks;
    QString name;
    for (const QStringView line : QStringView(output).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringView text = line.endsWith(u'\r') ? line.chopped(1) : line;
        if (text.startsWith(u"file "))
            name = text.sliced(5).toString();
        blocks[name] += text + u'\n';
    }
    return blocks;
}

QStringList IniOracleProbes(const QString& block)
{
    QStringList probes;
    bool seenSection = false;
    for (const QStringView line : QStringView(block).split(u'\n')) {
        if (line.startsWith(u"section ")) {
            if (seenSection)
                break;
            seenSection = true;
        } else if (line.startsWith(u"probe ")) {
            probes += unescaped(line.sliced(6).toString().section(u'=', 0, 0));
        }
    }
    return probes;
}

} // namespace glasspane
