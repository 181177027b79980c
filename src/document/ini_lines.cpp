#include "document/ini_lines.h"

namespace glasspane {

QStringView TrimIniBlanks(QStringView text)
{
    const char16_t* begin = text.utf16();
    const char16_t* end = begin + text.size();
    while (begin < end && IsIniBlank(*begin))
        ++begin;
    while (end > begin && IsIniBlank(end[-1]))
        --end;
    return QStringView(begin, end);
}

QStringView IniLineEndText(IniLineEnd end)
{
    switch (end) {
    case IniLineEnd::Lf:
        return u"\n";
    case IniLineEnd::CrLf:
        return u"\r\n";
    case IniLineEnd::Cr:
        return u"\r";
    case IniLineEnd::None:
        break;
    }
    return {};
}

namespace {

QStringView cutAtNul(QStringView text)
{
    const qsizetype nul = FindUnit(text, u'\0');
    return nul < 0 ? text : text.first(nul);
}

} // namespace

IniLine ReadIniLine(QStringView line)
{
    IniLine result;
    const QStringView trimmed = TrimIniBlanks(line);
    if (trimmed.isEmpty())
        return result;
    if (trimmed.front() == u'[') {
        const qsizetype close = trimmed.lastIndexOf(u']');
        if (close > 0) {
            result.kind = IniLine::Kind::Header;
            result.name = cutAtNul(TrimIniBlanks(trimmed.sliced(1, close - 1)));
            return result;
        }
    }
    result.kind = IniLine::Kind::Key;
    const qsizetype eq = FindUnit(trimmed, u'=');
    if (eq < 0) {
        result.name = cutAtNul(trimmed);
        return result;
    }
    result.hasValue = true;
    result.name = cutAtNul(TrimIniBlanks(trimmed.first(eq)));
    result.value = cutAtNul(TrimIniBlanks(trimmed.sliced(eq + 1)));
    return result;
}

QStringView IniValue(QStringView stored)
{
    if (stored.size() >= 2 && stored.front() == stored.back() &&
        (stored.front() == u'"' || stored.front() == u'\''))
        return stored.sliced(1, stored.size() - 2);
    return stored;
}

bool IsIniComment(QStringView keyName)
{
    return keyName.startsWith(u';');
}

namespace {

char16_t upper(char16_t c)
{
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
    // Surrogates are compared as they stand, as Windows does unit by unit.
    if (QChar::isSurrogate(c))
        return c;
    const char32_t u = QChar::toUpper(char32_t(c));
    return u <= 0xffff ? char16_t(u) : c;
}

} // namespace

bool SameIniName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    const char16_t* x = a.utf16();
    const char16_t* y = b.utf16();
    for (qsizetype i = 0, n = a.size(); i < n; ++i) {
        if (x[i] != y[i] && upper(x[i]) != upper(y[i]))
            return false;
    }
    return true;
}

size_t IniNameHash(QStringView name, size_t seed)
{
    size_t h = seed ^ 0xcbf29ce484222325ULL;
    for (const QChar c : name)
        h = (h ^ upper(c.unicode())) * 0x100000001b3ULL;
    return h;
}

namespace {

QString decodeUtf16(QByteArrayView body, bool little)
{
    // Code units as they stand: an unpaired surrogate is kept, as Windows keeps it.
    const qsizetype count = body.size() / 2;
    QString text(count, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(body.data());
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned lo = bytes[2 * i + (little ? 0 : 1)];
        const unsigned hi = bytes[2 * i + (little ? 1 : 0)];
        out[i] = char16_t(lo | (hi << 8));
    }
    return text;
}

QByteArray encodeUtf16(const QString& text, bool little)
{
    QByteArray bytes(2 + 2 * text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const auto put = [&out, little](char16_t u) {
        *out++ = char(little ? (u & 0xff) : (u >> 8));
        *out++ = char(little ? (u >> 8) : (u & 0xff));
    };
    put(0xfeff);
    for (const QChar c : text)
        put(c.unicode());
    return bytes;
}

} // namespace

DecodedText DecodeIniText(const QByteArray& bytes)
{
    DecodedText result;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        result.format = {little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE, true};
        result.text = decodeUtf16(QByteArrayView(bytes).sliced(2), little);
        return result;
    }
    result = DecodeTextFile(bytes);
    // The decoder drops a second mark after the first; Windows reads it as a character.
    if (result.format.bom && result.format.encoding == TextEncoding::Utf8 &&
        bytes.sliced(3).startsWith("\xEF\xBB\xBF"))
        result.text.prepend(QChar(0xfeff));
    return result;
}

QByteArray EncodeIniText(const QString& text, TextFormat& format)
{
    switch (format.encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return encodeUtf16(text, format.encoding == TextEncoding::Utf16LE);
    case TextEncoding::Utf8:
        if (format.bom || !text.startsWith(QChar(0xfeff)))
            return EncodeTextFile(text, format);
        // A text that begins with the mark's character is only read back as text after a
        // mark of its own.
        format.bom = true;
        return EncodeTextFile(text, format);
    case TextEncoding::Windows1252:
        break;
    }
    return EncodeTextFile(text, format);
}

} // namespace glasspane
