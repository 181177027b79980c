#include "platform/linux/reg_value_codec.h"

#include <QtEndian>

namespace glasspane::regcodec {

// A string value that a .reg file can hold between quotes on one line: UTF-16 with exactly one
// NUL at its end, no line breaks, and no unpaired surrogate (which no file encoding keeps).
// Anything else is written as hex(1) so it survives intact.
bool plainString(const QByteArray& data, QString* text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    QString result;
    const qsizetype count = data.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c =
            char16_t(quint8(data[2 * i])) | char16_t(char16_t(quint8(data[2 * i + 1])) << 8);
        const bool last = i == count - 1;
        if (last != (c == 0))
            return false;
        if (c == u'\n' || c == u'\r')
            return false;
        if (!last)
            result.append(QChar(c));
    }
    if (!result.isValidUtf16())
        return false;
    *text = result;
    return true;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool readQuoted(QStringView line, qsizetype& pos, QString* text)
{
    if (pos >= line.size() || line[pos] != u'"')
        return false;
    ++pos;
    QString out;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            *text = out;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size()) {
            const QChar next = line[pos + 1];
            if (next == u'\\' || next == u'"') {
                out += next;
                pos += 2;
                continue;
            }
        }
        out += c;
        ++pos;
    }
    return false;
}

void skipBlanks(QStringView line, qsizetype& pos)
{
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
        ++pos;
}

bool parseHexBytes(QStringView text, QByteArray* out)
{
    QByteArray bytes;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (!ok || byte > 0xff)
            return false;
        bytes.append(char(byte));
    }
    *out = bytes;
    return true;
}

QString hexLine(const QString& head, const QByteArray& data, const QString& newline)
{
    // Wrapped the way registry exports are, so long binary values stay readable.
    QString out = head;
    qsizetype lineLength = head.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        QString token = QString::asprintf("%02x", uint(quint8(data[i])));
        if (i + 1 < data.size())
            token += u',';
        if (lineLength + token.size() > 77) {
            out += u'\\' + newline + QStringLiteral("  ");
            lineLength = 2;
        }
        out += token;
        lineLength += token.size();
    }
    return out;
}

QString valueLine(const QString& name, const RegValue& value, const QString& newline)
{
    const QString head = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + u'=';
    QString text;
    switch (value.type) {
    case RegType::String:
        if (plainString(value.data, &text))
            return head + quoted(text);
        return hexLine(head + QStringLiteral("hex(1):"), value.data, newline);
    case RegType::DWord:
        if (value.data.size() == 4) {
            const quint32 number = qFromLittleEndian<quint32>(value.data.constData());
            return head + QString::asprintf("dword:%08x", number);
        }
        return hexLine(head + QStringLiteral("hex(4):"), value.data, newline);
    case RegType::Binary:
        return hexLine(head + QStringLiteral("hex:"), value.data, newline);
    default:
        return hexLine(head + QStringLiteral("hex(%1):").arg(quint32(value.type), 0, 16),
                       value.data, newline);
    }
}

// The value of a "name"=data line (data as it follows the '='); false when it is none.
bool parseData(QStringView data, RegValue* value)
{
    if (data.startsWith(u'"')) {
        QString text;
        qsizetype at = 0;
        if (!readQuoted(data, at, &text))
            return false;
        value->type = RegType::String;
        value->data = regStringData(text);
        return true;
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        bool ok = false;
        const QStringView digits = data.mid(6).trimmed();
        const quint32 number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8)
            return false;
        value->type = RegType::DWord;
        value->data.resize(4);
        qToLittleEndian(number, value->data.data());
        return true;
    }
    if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0)
            return false;
        const QStringView kind = data.mid(3, colon - 3).trimmed();
        if (kind.isEmpty()) {
            value->type = RegType::Binary;
        } else if (kind.startsWith(u'(') && kind.endsWith(u')')) {
            bool ok = false;
            const quint32 type = kind.mid(1, kind.size() - 2).toUInt(&ok, 16);
            if (!ok)
                return false;
            value->type = RegType(type);
        } else {
            return false;
        }
        return parseHexBytes(data.mid(colon + 1), &value->data);
    }
    return false;
}

// A name that a .reg line can hold.
bool storableName(const QString& name)
{
    return !name.contains(u'\n') && !name.contains(u'\r') && !name.contains(QChar(0)) &&
           name.isValidUtf16();
}

// The name of a "name"=... value line ("" for '@' and for a line that is none).
QString valueNameOf(QStringView line)
{
    line = line.trimmed();
    QString name;
    qsizetype pos = 0;
    if (!line.startsWith(u'@'))
        (void)readQuoted(line, pos, &name);
    return name;
}

} // namespace glasspane::regcodec
