#include "platform/linux/xscreensaver_file.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace glasspane {

namespace {

// A line continues onto the next when it ends with an odd number of backslashes.
bool continues(const QString& line)
{
    qsizetype n = 0;
    while (n < line.size() && line.at(line.size() - 1 - n) == u'\\')
        ++n;
    return n % 2 == 1;
}

// The resource a line sets ("programs" for "programs:  \"), or "".
QString resourceName(const QString& line)
{
    // The defaults file names them "*programs:" or "XScreenSaver.programs:".
    static const QRegularExpression name(
        QStringLiteral("^\\s*(?:\\*|XScreenSaver[.*])?([A-Za-z][A-Za-z0-9]*)\\s*:"));
    const QRegularExpressionMatch m = name.match(line);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Where each resource of interest stands: its first line and one past its last.
struct Layout
{
    QStringList lines;
    qsizetype modeAt = -1, selectedAt = -1, programsFirst = -1, programsEnd = -1;
    QString modeValue, selectedValue, programsValue;
};

Layout layoutOf(const QByteArray& file)
{
    Layout l;
    l.lines = QString::fromUtf8(file).split(u'\n');
    if (!l.lines.isEmpty() && l.lines.last().isEmpty())
        l.lines.removeLast(); // the final line end
    for (qsizetype i = 0; i < l.lines.size(); ++i) {
        const QString name = resourceName(l.lines.at(i));
        const qsizetype first = i;
        QString value = l.lines.at(i).mid(l.lines.at(i).indexOf(u':') + 1);
        while (continues(l.lines.at(i)) && i + 1 < l.lines.size()) {
            value.chop(1);
            value += l.lines.at(++i);
        }
        if (name == u"mode") {
            l.modeAt = first;
            l.modeValue = value.trimmed();
        } else if (name == u"selected") {
            l.selectedAt = first;
            l.selectedValue = value.trimmed();
        } else if (name == u"programs") {
            l.programsFirst = first;
            l.programsEnd = i + 1;
            l.programsValue = value;
        }
    }
    return l;
}

XScreenSaverHack parseHack(const QString& entry)
{
    XScreenSaverHack hack;
    hack.text = entry.trimmed();
    QString rest = hack.text;
    if (rest.startsWith(u'-')) {
        hack.enabled = false;
        rest = rest.mid(1).trimmed();
    }
    static const QRegularExpression visual(QStringLiteral("^[A-Za-z][A-Za-z0-9_-]*:(\\s+|$)"));
    const QRegularExpressionMatch m = visual.match(rest);
    if (m.hasMatch())
        rest = rest.mid(m.capturedLength()).trimmed();
    if (rest.startsWith(u'"')) {
        const qsizetype close = rest.indexOf(u'"', 1);
        rest = close < 0 ? QString() : rest.mid(close + 1).trimmed();
    }
    hack.command = rest;
    return hack;
}

QList<XScreenSaverHack> parseHacks(const QString& value)
{
    QList<XScreenSaverHack> hacks;
    for (const QString& entry : value.split(QStringLiteral("\\n"))) {
        if (!entry.trimmed().isEmpty())
            hacks.append(parseHack(entry));
    }
    return hacks;
}

// A word for /bin/sh: as it is when it holds nothing the shell would read, else in single
// quotes.
QString shellWord(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

QStringList programsBlock(const QList<XScreenSaverHack>& hacks)
{
    QStringList block{QStringLiteral("programs:\t\t\t\t\t\t\t      \\")};
    for (const XScreenSaverHack& hack : hacks)
        block << QStringLiteral("  ") + hack.text + QStringLiteral("\t\t\t\t    \\n\\");
    block << QString(); // the value ends here
    return block;
}

} // namespace

XScreenSaverChoice XScreenSaverChoice::parse(const QByteArray& file)
{
    const Layout l = layoutOf(file);
    XScreenSaverChoice choice;
    choice.mode = l.modeValue;
    bool ok = false;
    const int selected = l.selectedValue.toInt(&ok);
    choice.selected = ok && selected >= 0 ? selected : -1;
    choice.hasPrograms = l.programsFirst >= 0;
    choice.hacks = parseHacks(l.programsValue);
    return choice;
}

QString XScreenSaverChoice::selectedCommand() const
{
    if (mode != u"one" || selected < 0 || selected >= hacks.size())
        return {};
    return hacks.at(selected).command;
}

QString HackProgram(const QString& command)
{
    QString word;
    QChar quote;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else if (c == u'\\' && quote == u'"' && i + 1 < command.size())
                word += command.at(++i);
            else
                word += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'\\' && i + 1 < command.size()) {
            word += command.at(++i);
        } else if (c.isSpace()) {
            if (!word.isEmpty())
                break;
        } else {
            word += c;
        }
    }
    return word;
}

QString RootSwitch(const QByteArray& defaults)
{
    // In the comment block that opens the file: "!      version 6.05".
    static const QRegularExpression version(QStringLiteral("^!\\s*version\\s+(\\d+)\\."));
    for (const QByteArray& line : defaults.left(4096).split('\n')) {
        if (!line.startsWith('!'))
            break;
        const QRegularExpressionMatch m = version.match(QString::fromUtf8(line));
        if (m.hasMatch())
            return m.captured(1).toInt() < 6 ? QStringLiteral("-root") : QStringLiteral("--root");
    }
    return QStringLiteral("--root");
}

QByteArray SelectHack(const QByteArray& file, const QString& program, const QByteArray& defaults)
{
    Layout l = layoutOf(file);
    // Without a list of its own the user sees XScreenSaver's: it stays theirs.
    QList<XScreenSaverHack> hacks =
        parseHacks(l.programsFirst >= 0 ? l.programsValue : layoutOf(defaults).programsValue);
    const QString name = QFileInfo(program).fileName();
    XScreenSaverHack ours;
    ours.command = shellWord(program) + u' ' + RootSwitch(defaults);
    ours.text = QStringLiteral("\"Glasspane\"  ") + ours.command;

    qsizetype index = -1;
    for (qsizetype i = 0; i < hacks.size() && index < 0; ++i) {
        if (QFileInfo(HackProgram(hacks.at(i).command)).fileName() == name)
            index = i;
    }
    if (index < 0) {
        index = hacks.size();
        hacks.append(ours);
    } else {
        hacks[index] = ours;
    }

    const QString mode = QStringLiteral("mode:\t\tone");
    const QString selected = QStringLiteral("selected:\t%1").arg(index);
    QStringList& lines = l.lines;
    // From the bottom up, so that the places found above stay right.
    struct Edit
    {
        qsizetype at, end;
        QStringList with;
    };
    QList<Edit> edits;
    if (l.programsFirst >= 0)
        edits.append({l.programsFirst, l.programsEnd, programsBlock(hacks)});
    if (l.modeAt >= 0)
        edits.append({l.modeAt, l.modeAt + 1, {mode}});
    if (l.selectedAt >= 0)
        edits.append({l.selectedAt, l.selectedAt + 1, {selected}});
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at > b.at; });
    for (const Edit& e : std::as_const(edits)) {
        lines.remove(e.at, e.end - e.at);
        for (qsizetype k = 0; k < e.with.size(); ++k)
            lines.insert(e.at + k, e.with.at(k));
    }
    if (lines.isEmpty())
        lines << QStringLiteral("# XScreenSaver Preferences File")
              << QStringLiteral("# Glasspane made itself the screen saver here.");
    if (l.modeAt < 0)
        lines << mode;
    if (l.selectedAt < 0)
        lines << selected;
    if (l.programsFirst < 0)
        lines << programsBlock(hacks);
    return lines.join(u'\n').toUtf8() + '\n';
}

} // namespace glasspane
