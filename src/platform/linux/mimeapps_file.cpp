#include "platform/linux/mimeapps_file.h"

#include <QStringList>
#include <functional>

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

QStringList listOf(const QString& line)
{
    return line.mid(line.indexOf(u'=') + 1).trimmed().split(u';', Qt::SkipEmptyParts);
}

// Sets the list of key in the group (made when missing) to what change makes of it; a list
// left empty removes the key.
void editList(QStringList& lines, const QString& group, const QString& key,
              const std::function<QStringList(QStringList)>& change)
{
    Group g = findGroup(lines, group);
    if (g.header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << u'[' + group + u']';
        g = {lines.size() - 1, lines.size()};
    }
    const qsizetype at = findKey(lines, g, key);
    const QStringList list = change(at < 0 ? QStringList() : listOf(lines.at(at)));
    const QString line = key + u'=' + list.join(u';') + u';';
    if (at >= 0) {
        if (list.isEmpty())
            lines.removeAt(at);
        else
            lines[at] = line;
    } else if (!list.isEmpty()) {
        // After the group's last entry, before the blank lines that part it from the next.
        qsizetype insert = g.end;
        while (insert > g.header + 1 && lines.at(insert - 1).trimmed().isEmpty())
            --insert;
        lines.insert(insert, line);
    }
}

} // namespace

QByteArray MakeDefaultApplication(const QByteArray& file, const QString& mimeType,
                                  const QString& desktopId)
{
    QStringList lines = QString::fromUtf8(file).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    auto first = [&desktopId](QStringList list) {
        list.removeAll(desktopId);
        list.prepend(desktopId);
        return list;
    };
    editList(lines, QStringLiteral("Default Applications"), mimeType, first);
    editList(lines, QStringLiteral("Added Associations"), mimeType, first);
    const Group removed = findGroup(lines, QStringLiteral("Removed Associations"));
    if (removed.header >= 0)
        editList(lines, QStringLiteral("Removed Associations"), mimeType, [&](QStringList list) {
            list.removeAll(desktopId);
            return list;
        });
    return lines.join(u'\n').toUtf8() + '\n';
}

} // namespace glasspane
