#include "platform/linux/key_file_edit.h"

namespace glasspane {

namespace {

struct Group
{
    qsizetype header = -1; // line of "[Name]"; -1 when missing
    qsizetype end = -1;    // one past its last line
};

Group findGroup(const QStringList& lines, const QString& name)
{
    Group g;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!line.startsWith(u'['))
            continue;
        if (g.header >= 0) {
            g.end = i;
            return g;
        }
        if (line == u'[' + name + u']')
            g.header = i;
    }
    if (g.header >= 0)
        g.end = lines.size();
    return g;
}

// The line of key in the group, -1 when absent.
qsizetype findKey(const QStringList& lines, const Group& g, const QString& key)
{
    for (qsizetype i = g.header + 1; i < g.end; ++i) {
        const QString line = lines.at(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.trimmed().startsWith(u'#') && line.left(eq).trimmed() == key)
            return i;
    }
    return -1;
}

} // namespace

void EditKeyFileValue(QStringList& lines, const QString& group, const QString& key,
                      const std::function<std::optional<QString>(std::optional<QString>)>& change)
{
    Group g = findGroup(lines, group);
    const qsizetype at = g.header < 0 ? -1 : findKey(lines, g, key);
    std::optional<QString> current;
    if (at >= 0)
        current = lines.at(at).mid(lines.at(at).indexOf(u'=') + 1).trimmed();
    const std::optional<QString> value = change(current);
    if (at >= 0) {
        if (value)
            lines[at] = key + u'=' + *value;
        else
            lines.removeAt(at);
        return;
    }
    if (!value)
        return;
    if (g.header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << u'[' + group + u']';
        g = {lines.size() - 1, lines.size()};
    }
    // After the group's last entry, before the blank lines that part it from the next.
    qsizetype insert = g.end;
    while (insert > g.header + 1 && lines.at(insert - 1).trimmed().isEmpty())
        --insert;
    lines.insert(insert, key + u'=' + *value);
}

QStringList KeyFileLines(const QByteArray& file)
{
    QStringList lines = QString::fromUtf8(file).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray KeyFileText(const QStringList& lines)
{
    return lines.join(u'\n').toUtf8() + '\n';
}

} // namespace glasspane
