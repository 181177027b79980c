#include "document/text.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace glasspane {

namespace {

// text equals the ASCII word without regard to case. A character beyond ASCII may still fold
// onto one of the word's letters; Qt decides those.
bool equalsWord(QStringView text, QLatin1StringView word)
{
    if (text.size() != word.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80)
            return text.compare(word, Qt::CaseInsensitive) == 0;
        const char16_t w = char16_t(word[i].unicode());
        const auto fold = [](char16_t x) { return x >= u'A' && x <= u'Z' ? x + 32 : x; };
        if (fold(c) != fold(w))
            return false;
    }
    return true;
}

bool isOneOf(const QString& text, std::initializer_list<QLatin1StringView> words)
{
    const QStringView t = QStringView(text).trimmed();
    for (QLatin1StringView w : words) {
        if (equalsWord(t, w))
            return true;
    }
    return false;
}

template <typename T> T toInteger(const QString& text, T defaultValue)
{
    const QStringView t = QStringView(text).trimmed();
    if (t.isEmpty())
        return defaultValue;
    // Plain decimal numbers, nearly all that documents hold, without the general parser.
    const bool negative = t.front() == QLatin1Char('-');
    const QStringView digits = negative ? t.sliced(1) : t;
    if (!digits.isEmpty() && digits.size() <= 9) {
        qint64 v = 0;
        bool plain = true;
        for (QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                plain = false;
                break;
            }
            v = v * 10 + (c.unicode() - u'0');
        }
        if (plain) {
            v = negative ? -v : v;
            if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
                return defaultValue;
            return static_cast<T>(v);
        }
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return defaultValue;
    const double r = std::round(v);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        return defaultValue;
    return static_cast<T>(r);
}

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves the byte undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

bool IsTrueWord(const QString& text)
{
    return isOneOf(text, {QLatin1StringView("1"), QLatin1StringView("-1"), QLatin1StringView("ON"),
                          QLatin1StringView("YES"), QLatin1StringView("TRUE")});
}

bool IsFalseWord(const QString& text)
{
    return isOneOf(text, {QLatin1StringView("0"), QLatin1StringView("OFF"), QLatin1StringView("NO"),
                          QLatin1StringView("FALSE")});
}

bool ToBool(const QString& text, bool defaultValue)
{
    if (IsTrueWord(text))
        return true;
    if (IsFalseWord(text))
        return false;
    return defaultValue;
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

qint16 ToInt(const QString& text, qint16 defaultValue)
{
    return toInteger<qint16>(text, defaultValue);
}

qint32 ToLong(const QString& text, qint32 defaultValue)
{
    return toInteger<qint32>(text, defaultValue);
}

void TokenStart(const QString& list, const QString& separator, QString& work, int& position)
{
    if (list.isEmpty() || separator.isEmpty()) {
        position = 0;
        return;
    }
    work = list.endsWith(separator) ? list : list + separator;
    position = 1;
}

QString TokenNext(const QString& work, int& position, const QString& separator)
{
    if (position <= 0 || separator.isEmpty())
        return separator;
    const qsizetype found = work.indexOf(separator, position - 1);
    if (found < 0) {
        position = 0;
        return separator;
    }
    const QString item = work.mid(position - 1, found - (position - 1));
    position = int(found + separator.size()) + 1;
    return item;
}

qint32 TokenCount(const QString& list, const QString& separator)
{
    if (list.isEmpty() || separator.isEmpty())
        return 0;
    const QString work = list.endsWith(separator) ? list : list + separator;
    qint32 count = 0;
    for (qsizetype at = work.indexOf(separator); at >= 0;
         at = work.indexOf(separator, at + separator.size()))
        ++count;
    return count;
}

QStringList SplitList(const QString& list, QChar separator)
{
    if (list.isEmpty())
        return {};
    QStringList items = list.split(separator);
    if (list.endsWith(separator))
        items.removeLast(); // the end mark, not an item
    return items;
}

QString TokenAt(const QString& list, int n, const QString& separator)
{
    if (n < 1 || list.isEmpty() || separator.isEmpty())
        return QString();
    const QString work = list.endsWith(separator) ? list : list + separator;
    qsizetype from = 0;
    for (int item = 1;; ++item) {
        const qsizetype found = work.indexOf(separator, from);
        if (found < 0)
            return QString();
        if (item == n)
            return work.mid(from, found - from);
        from = found + separator.size();
    }
}

qint32 LastIndexOf(const QString& text, const QString& part)
{
    if (part.isEmpty())
        return 0;
    return qint32(text.lastIndexOf(part)) + 1;
}

qint32 IndexOutsideQuotes(int start, const QString& text, const QString& part, QChar quote)
{
    if (part.isEmpty())
        return 0;
    bool inQuotes = false;
    const qsizetype last = text.size() - part.size() + 1;
    for (qsizetype i = qMax(start, 1); i <= last; ++i) {
        if (text.at(i - 1) == quote)
            inQuotes = !inQuotes;
        if (!inQuotes && QStringView(text).sliced(i - 1).startsWith(part))
            return qint32(i);
    }
    return 0;
}

QString CommandLineItem(const QString& line, int n, const QString& separator, QChar quote)
{
    if (n < 1 || line.isEmpty() || separator.isEmpty())
        return QString();
    const QString work = line.endsWith(separator) ? line : line + separator;
    int from = 1;
    for (int item = 1;; ++item) {
        const int found = IndexOutsideQuotes(from, work, separator, quote);
        if (found == 0) {
            // An unclosed quote runs to the end of the line.
            return item == n && from <= line.size() ? line.mid(from - 1) : QString();
        }
        if (item == n)
            return work.mid(from - 1, found - from);
        from = found + int(separator.size());
    }
}

QString StripQuotes(const QString& text)
{
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char16_t u = b;
        if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0)
            u = kHighControls[b - 0x80];
        *dst++ = QChar(u);
    }
    return out;
}

bool EncodeWindows1252(const QString& text, QByteArray& out)
{
    out.resize(text.size());
    char* dst = out.data();
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF) ||
            (u >= 0x80 && u <= 0x9F && kHighControls[u - 0x80] == 0)) {
            *dst++ = char(u);
            continue;
        }
        const auto it = std::find(kHighControls.begin(), kHighControls.end(), u);
        if (it == kHighControls.end())
            return false;
        *dst++ = char(0x80 + (it - kHighControls.begin()));
    }
    return true;
}

DecodedText DecodeTextFile(const QByteArray& bytes)
{
    DecodedText result;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        result.format = {little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE, true};
        result.text = QStringDecoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE)(
            QByteArrayView(bytes).sliced(2));
        return result;
    }
    result.format.bom = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArrayView body =
        result.format.bom ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    result.text = decoder(body);
    if (!decoder.hasError())
        return result;
    result.format.encoding = TextEncoding::Windows1252;
    result.text = DecodeWindows1252(body.toByteArray());
    return result;
}

QByteArray EncodeTextFile(const QString& text, TextFormat& format)
{
    switch (format.encoding) {
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(text));
    case TextEncoding::Windows1252:
    case TextEncoding::Utf8:
        break;
    }
    const QByteArray mark = format.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    if (format.encoding == TextEncoding::Windows1252) {
        QByteArray bytes;
        // Bytes that would also read as UTF-8 (say "Ã©", which is "é" there, once the bytes that
        // are not UTF-8 have gone) would be read back as other text: then UTF-8 it is.
        if (EncodeWindows1252(text, bytes) && DecodeTextFile(bytes).text == text)
            return mark + bytes;
        format.encoding = TextEncoding::Utf8;
    }
    return mark + text.toUtf8();
}

QString DecodeText(const QByteArray& bytes)
{
    return DecodeTextFile(bytes).text;
}

namespace {

// Each line of units[0..size), without the CR of a CR LF end, followed by CR LF, into out from
// written on; find(at) gives the next LF at or after at, or -1; copy(begin, end, to) puts one
// line's units in place and gives the end of what it wrote, or nullptr when the line cannot be
// read. Gives where the text written ends, or -1 when a line could not be read. Value files may
// hold millions of lines: the line ends are found at memory speed and the lines copied whole.
// A line never grows in the copy.
template <typename Text, typename Unit, typename Find, typename Copy>
qsizetype appendCrLf(Text& out, qsizetype written, const Unit* units, qsizetype size, Find find,
                     Copy&& copy)
{
    using Out = std::remove_pointer_t<decltype(copy(units, units, nullptr))>;
    auto* to = reinterpret_cast<Out*>(out.data()) + written;
    for (qsizetype from = 0; from < size;) {
        qsizetype end = find(from);
        const qsizetype next = end < 0 ? size : end + 1;
        if (end < 0)
            end = size;
        if (end > from && units[end - 1] == Unit('\r'))
            --end;
        written = to - reinterpret_cast<const Out*>(out.constData());
        if (written + (end - from) + 2 > out.size()) {
            // Many short lines: room for the rest of them, however short.
            out.resize(written + 2 * (size - from) + 2);
            to = reinterpret_cast<Out*>(out.data()) + written;
        }
        to = copy(units + from, units + end, to);
        if (!to)
            return -1;
        *to++ = Out('\r');
        *to++ = Out('\n');
        from = next;
    }
    return to - reinterpret_cast<const Out*>(out.constData());
}

// Room for the lines of size units, with the CRs of most files.
template <typename Text> Text roomFor(qsizetype size)
{
    return Text(size + size / 8 + 2, Qt::Uninitialized);
}

template <typename Text, typename Unit, typename Find, typename Copy>
bool withCrLf(Text& out, const Unit* units, qsizetype size, Find find, Copy&& copy)
{
    out = roomFor<Text>(size);
    const qsizetype end = appendCrLf(out, 0, units, size, find, std::forward<Copy>(copy));
    if (end < 0)
        return false;
    out.truncate(end);
    return true;
}

template <typename Unit> qsizetype findLf(const Unit* units, qsizetype size, qsizetype from)
{
    if constexpr (sizeof(Unit) == 1) {
        const void* lf = std::memchr(units + from, '\n', size_t(size - from));
        return lf ? static_cast<const Unit*>(lf) - units : qsizetype(-1);
    } else {
        return FindUnit(QStringView(units, size), u'\n', from);
    }
}

template <typename Unit> Unit* copyUnits(const Unit* begin, const Unit* end, Unit* to)
{
    return std::copy(begin, end, to);
}

// One UTF-8 line into its place; nullptr when it is not UTF-8. UTF-8 and Windows-1252 hold CR
// and LF as single bytes of their own, never inside a character, so each line is decoded on its
// own. Lines of ASCII, the most of nearly every file, are widened without the decoder.
class Utf8Line
{
public:
    char16_t* operator()(const char* begin, const char* end, char16_t* to)
    {
        const qsizetype n = end - begin;
        unsigned char all = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(begin[i]);
            all |= c;
            to[i] = c;
        }
        if (all < 0x80)
            return to + n;
        QChar* next =
            m_decoder.appendToBuffer(reinterpret_cast<QChar*>(to), QByteArrayView(begin, n));
        return m_decoder.hasError() ? nullptr : reinterpret_cast<char16_t*>(next);
    }

private:
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                       QStringDecoder::Flag::ConvertInitialBom};
};

// The whole text's decoder drops a byte order mark at its start, and one more after it: how
// many bytes of marks the text starts with.
qsizetype leadingMarks(QByteArrayView bytes)
{
    qsizetype skip = 0;
    for (int marks = 0; marks < 2 && bytes.sliced(skip).startsWith("\xEF\xBB\xBF"); ++marks)
        skip += 3;
    return skip;
}

bool isUtf16(QByteArrayView bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

// Up to max bytes, fewer only at the end; -1 on a read error.
qsizetype readFully(QIODevice& device, char* to, qsizetype max)
{
    qsizetype got = 0;
    while (got < max) {
        const qint64 n = device.read(to + got, max - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += qsizetype(n);
    }
    return got;
}

} // namespace

QString DecodeTextLines(QByteArrayView bytes)
{
    QString out;
    if (isUtf16(bytes)) {
        const QString text = DecodeText(bytes.toByteArray());
        const auto* units = reinterpret_cast<const char16_t*>(text.constData());
        const qsizetype size = text.size();
        withCrLf(
            out, units, size, [&](qsizetype from) { return findLf(units, size, from); },
            copyUnits<char16_t>);
        return out;
    }
    const QByteArrayView body = bytes.sliced(leadingMarks(bytes));
    const char* data = body.data();
    const qsizetype size = body.size();
    if (withCrLf(
            out, data, size, [&](qsizetype from) { return findLf(data, size, from); }, Utf8Line()))
        return out;
    // Not UTF-8: Windows-1252, decoded as the whole file is.
    QByteArray lines;
    withCrLf(
        lines, bytes.data(), bytes.size(),
        [&](qsizetype from) { return findLf(bytes.data(), bytes.size(), from); }, copyUnits<char>);
    return DecodeText(lines);
}

QString ReadTextLines(QIODevice& device, qsizetype piece)
{
    // Anything but UTF-8 is read whole, from the start.
    const auto whole = [&device] {
        return device.seek(0) ? DecodeTextLines(device.readAll()) : QString();
    };
    piece = qMax<qsizetype>(piece, 8);
    QByteArray buffer(piece, Qt::Uninitialized);
    qsizetype held = readFully(device, buffer.data(), piece);
    if (held < 0 || isUtf16(QByteArrayView(buffer.constData(), held)))
        return whole();
    bool atEnd = held < piece;
    qsizetype start = leadingMarks(QByteArrayView(buffer.constData(), held));
    qsizetype fresh = start; // where the bytes not yet searched for a line end begin
    QString out = roomFor<QString>(qMax<qsizetype>(qsizetype(device.size()), held));
    qsizetype written = 0;
    Utf8Line line;
    for (;;) {
        const char* data = buffer.constData();
        // The lines complete in the buffer; all of them at the end.
        qsizetype lines = held;
        if (!atEnd) {
            const void* lf = memrchr(data + fresh, '\n', size_t(held - fresh));
            lines = lf ? static_cast<const char*>(lf) - data + 1 : start;
        }
        if (lines > start) {
            const char* first = data + start;
            const qsizetype size = lines - start;
            written = appendCrLf(
                out, written, first, size,
                [&](qsizetype from) { return findLf(first, size, from); }, line);
            if (written < 0)
                return whole();
        }
        if (atEnd)
            break;
        // The unfinished line stays, and the next piece is read after it.
        const qsizetype rest = held - lines;
        if (lines > 0)
            std::memmove(buffer.data(), data + lines, size_t(rest));
        if (buffer.size() < rest + piece)
            buffer.resize(rest + piece);
        const qsizetype n = readFully(device, buffer.data() + rest, piece);
        if (n < 0)
            return whole();
        held = rest + n;
        start = 0;
        fresh = rest;
        atEnd = n < piece;
    }
    out.truncate(written);
    return out;
}

} // namespace glasspane
