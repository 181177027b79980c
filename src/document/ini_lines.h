#pragma once

#include "document/text.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace glasspane {

// The lines of an INI file as the Windows private-profile functions read them, which is what
// documents were written for. The reader (IniFiles) and the document checker both read through
// here, so that what the checker says is what the show reads:
// - a line ends at a carriage return, a line feed, or both; any run of them ends one line;
// - blanks are tab, vertical tab, form feed, space and Ctrl-Z (the DOS end of file); no other
//   character is trimmed (a no-break space stays part of a value);
// - a line whose first non-blank character is '[' and that holds a ']' after it is a section
//   header: the name runs to the last ']' of the line, blanks trimmed; text after that ']' is
//   ignored. A '[' line without a ']' is an ordinary line of the section it stands in;
// - every other non-blank line is a key: the name up to the first '=' (blanks trimmed), the
//   value after it (blanks trimmed); a line without '=' is a key without a value, which reads
//   as empty and hides any later key of its name in the section. Comment lines (';') are keys
//   whose name begins with ';': no name this program asks for;
// - a name or a value ends at a NUL character;
// - a value in one pair of double or single quotes loses them when read.
// Names compare without regard to case; the first section of a name, and the first key of a
// name within it, count. The lines before the first header form a section without a name.

// Blanks, as trimmed around names, values and lines.
constexpr bool IsIniBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == 0x0b || c == 0x0c || c == 0x1a;
}
QStringView TrimIniBlanks(QStringView text);

enum class IniLineEnd : quint8 { None, Lf, CrLf, Cr };
QStringView IniLineEndText(IniLineEnd end);

struct IniLine
{
    enum class Kind : quint8 { Blank, Header, Key };
    Kind kind = Kind::Blank;
    bool hasValue = false; // a key line holding '='
    QStringView name;      // header: the section name; key: the key name (both cut at a NUL)
    QStringView value;     // key with '=': the value as stored, quotes kept, cut at a NUL
};

// How Windows reads one line (without its line end).
IniLine ReadIniLine(QStringView line);

// The value a reader gets from a stored one: an enclosing pair of quotes removed.
QStringView IniValue(QStringView stored);

// A key whose name begins with ';'.
bool IsIniComment(QStringView keyName);

// Names equal without regard to case. Letters of every script are compared in their upper
// case (Windows itself does so; Wine only for ASCII).
bool SameIniName(QStringView a, QStringView b);
// A hash under which names that SameIniName finds equal agree.
size_t IniNameHash(QStringView name, size_t seed = 0);

// Calls f(QStringView line, IniLineEnd end) for each line of text, in order. A text that ends
// with a line end has no empty last line.
template <typename F> void ForEachIniLine(QStringView text, F&& f)
{
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype from = 0;
    while (from < size) {
        qsizetype at = from;
        while (at < size && units[at] != u'\n' && units[at] != u'\r')
            ++at;
        if (at == size) {
            f(text.sliced(from), IniLineEnd::None);
            return;
        }
        IniLineEnd end = IniLineEnd::Lf;
        qsizetype next = at + 1;
        if (units[at] == u'\r') {
            end = IniLineEnd::Cr;
            if (next < size && units[next] == u'\n') {
                end = IniLineEnd::CrLf;
                ++next;
            }
        }
        f(text.sliced(from, at - from), end);
        from = next;
    }
}

// INI files are decoded as Windows decodes them after a byte-order mark (UTF-16 of either
// order, whose code units are taken as they stand and whose odd last byte is dropped, or
// UTF-8, after which a further mark is text), and otherwise as UTF-8 when the bytes are valid
// UTF-8, else as Windows-1252. (Windows reads a file without a mark in the ANSI code page;
// UTF-8 without a mark is read as UTF-8 here, being how Linux editors save.)
DecodedText DecodeIniText(const QByteArray& bytes);
// The text stored in format, as DecodeIniText reads it back (see EncodeTextFile).
QByteArray EncodeIniText(const QString& text, TextFormat& format);

} // namespace glasspane
