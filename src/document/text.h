#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstring>

class QIODevice;

namespace glasspane {

// The small text conversions every reader of a setting uses. Positions are 1-based and 0 means
// "none", as in the stored documents' own conventions.

// Truth words, compared after trimming blanks and without regard to case:
// true "1", "-1", "ON", "YES", "TRUE"; false "0", "OFF", "NO", "FALSE".
bool IsTrueWord(const QString& text);
bool IsFalseWord(const QString& text);
// True for a true word, false for a false word, else defaultValue (also for "").
bool ToBool(const QString& text, bool defaultValue);
// "Yes" or "No": how Booleans are always written.
QString BoolText(bool value);

// Decimal numbers with blanks around them; a fraction is rounded to the nearest integer (halves
// away from zero). Empty, unreadable or out-of-range text gives defaultValue.
qint16 ToInt(const QString& text, qint16 defaultValue);
qint32 ToLong(const QString& text, qint32 defaultValue);

// Separated lists: "Gpane,Page1,Page2," holds items each followed by the separator; a list that
// does not end with its separator is read as if it did.
//
//     QString work;
//     int position;
//     TokenStart(list, ",", work, position);
//     for (QString item = TokenNext(work, position, ","); item != ","; item = TokenNext(...))
//
// TokenStart prepares work and sets position to 1, or to 0 when list or separator is empty.
void TokenStart(const QString& list, const QString& separator, QString& work, int& position);
// The next item ("" for an empty one); the separator itself once the list is exhausted, with
// position set to 0.
QString TokenNext(const QString& work, int& position, const QString& separator);
// The number of items; 0 when list or separator is empty.
qint32 TokenCount(const QString& list, const QString& separator);
// Every item of list as a TokenNext walk gives them, at once.
QStringList SplitList(const QString& list, QChar separator);
// Item n (1-based); "" when there are fewer items or list or separator is empty.
QString TokenAt(const QString& list, int n, const QString& separator);

// The first index at or after from where the UTF-16 unit c stands in text; -1 when none. Runs
// at memory speed (the C library's memchr on the unit's low byte): for long texts, and inline,
// as scans call it once for every short stretch.
inline qsizetype FindUnit(QStringView text, char16_t c, qsizetype from = 0)
{
    // Where a unit's low byte stands in memory.
    constexpr qsizetype lowByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 1;
    const char16_t* units = text.utf16();
    const char* bytes = reinterpret_cast<const char*>(units);
    const qsizetype end = 2 * text.size();
    for (qsizetype at = 2 * qMax<qsizetype>(from, 0) + lowByte; at < end;) {
        const void* hit = std::memchr(bytes + at, c & 0xff, size_t(end - at));
        if (!hit)
            return -1;
        const qsizetype offset = static_cast<const char*>(hit) - bytes;
        // A byte of the right value may be the other half of some unit.
        if (offset % 2 == lowByte && units[offset / 2] == c)
            return offset / 2;
        at = offset + 1;
    }
    return -1;
}

// 1-based position of the last occurrence of part in text; 0 when none (or part is empty).
qint32 LastIndexOf(const QString& text, const QString& part);
// 1-based position of the first part at or after start that is not between quote characters
// (each quote toggles the in-quotes state); 0 when none. Case-sensitive.
qint32 IndexOutsideQuotes(int start, const QString& text, const QString& part, QChar quote);
// Item n (1-based) of a command line: like TokenAt, but separators between quote characters
// do not separate. The item keeps its quotes (see StripQuotes). "" when there are fewer items.
QString CommandLineItem(const QString& line, int n, const QString& separator = QStringLiteral(" "),
                        QChar quote = QLatin1Char('"'));
// Removes one enclosing pair of double quotes, if there is one.
QString StripQuotes(const QString& text);

// How a text file is stored, so that it can be written back the way it came.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

struct TextFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    bool bom = false; // begins with a byte-order mark (always for UTF-16)
};

struct DecodedText
{
    QString text;
    TextFormat format;
};

// Text files written on Windows: UTF-16 (little or big end first) or UTF-8 after their
// byte-order mark, which editors put in front of "Unicode" files; else UTF-8 when the bytes
// are valid UTF-8, Windows-1252 otherwise.
DecodedText DecodeTextFile(const QByteArray& bytes);
// The text stored in format, byte-order mark included. A Windows-1252 file given a character
// the code page lacks, or whose bytes would read back as other text (being valid UTF-8),
// becomes UTF-8 (format is updated) rather than lose it.
QByteArray EncodeTextFile(const QString& text, TextFormat& format);
// DecodeTextFile's text.
QString DecodeText(const QByteArray& bytes);
// DecodeTextFile's text with each line, without the CR of a CR LF end, followed by CR LF.
QString DecodeTextLines(QByteArrayView bytes);
// DecodeTextLines of what device gives from its start, read a piece of bytes at a time:
// a UTF-8 file costs no more memory than its text. Other files are read whole, from the start
// (device must allow seeking back to it).
QString ReadTextLines(QIODevice& device, qsizetype piece = qsizetype(1) << 20);
// Windows-1252 both ways. Bytes that code page leaves undefined map to the control characters
// of the same number, so that any byte sequence round-trips. EncodeWindows1252 fails (false)
// when text holds a character the code page cannot hold.
QString DecodeWindows1252(const QByteArray& bytes);
bool EncodeWindows1252(const QString& text, QByteArray& out);
// True when bytes (without a byte-order mark) are valid UTF-8.
bool IsValidUtf8(const QByteArray& bytes);

} // namespace glasspane
