#include "ini_corpus.h"

#include <QRandomGenerator>

namespace glasspane {

namespace {

// The bytes of a literal, NULs included.
template <qsizetype N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// The known cases: each a spelling that Windows reads its own way.
const QList<IniCorpusFile>& knownCases()
{
    static const QList<IniCorpusFile> cases = {
        {"blanks-in-headers",
         "[ Page1 ]\r\nURL=a\r\n[Page2 ]\r\nURL=b\r\n[\tPage4]\r\nURL=c\r\n[ Exclude1 ]\r\n"
         "URL=http://x/\r\n[ Include1 ]\r\nURL=http://y/\r\n"},
        {"bare-key", "[Page1]\r\nURL\r\nURL=x\r\nTime=5\r\n"},
        {"unclosed-header", "[Page1]\r\nURL=one\r\n[Page2\r\nURL=two\r\n"},
        {"cr-line-ends", "[Gpane]\rDefaultTime=20\r[Page1]\rURL=a\r[Page2]\rURL=b\r"},
        {"stray-cr", "[Page1]\r\nURL=x\rTime=5\r\n"},
        {"ctrl-z", "[Page1]\r\nURL=http://a/\x1a\r\nTime=5\x1a\r\n\x1a"},
        {"nul", bytes("[Page1\0x]\r\nURL=http://a/\0junk\r\nk\0=1\r\n")},
        {"last-bracket", "[Page2] ; note [x\r\nURL=a\r\n[Page3]]\r\nURL=b\r\n"},
        {"nameless", "k=top\r\n[ ]\r\nk=blank\r\n[]\r\nk=empty\r\n[Gpane]\r\nk=g\r\n"},
        {"nbsp-ideographic", "\xEF\xBB\xBF[Page1]\r\nURL=\xC2\xA0x\xE3\x80\x80\r\n"},
        {"quotes",
         "[S]\r\nq1=\"\r\nq2=\"\"\r\nq3=\"a\"b\"\r\nq4='a\"\r\nq5=\"  x  \"\r\nq6='y'\r\n"},
        {"comments-and-empty-names",
         "[S]\r\n;c=1\r\n=e1\r\n=e2\r\nk0\r\n=e3\r\n ; k = x\r\nk=after\r\n"},
        {"utf16le", bytes("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0")},
        {"utf16be", bytes("\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0\xE9")},
        {"two-marks", "\xEF\xBB\xBF\xEF\xBB\xBF[S]\r\nk=v\r\n[T]\r\nk=w\r\n"},
        {"ansi", "[Page1]\r\nURL=caf\xE9.html\r\n"},
        {"empty", ""},
    };
    return cases;
}

const QStringList kSectionNames = {"Gpane",    "Page1", "Page2", "Page10", "Include1",
                                   "Exclude1", "S",     "a b",   "x]y",    "ToolRunNext"};
const QStringList kKeyNames = {"URL", "Time", "DefaultTime", "HomeURL", "Var1Source",
                               "k",   "a b",  "x[y",         ""};

class Maker
{
public:
    enum class Encoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

    Maker(quint32 seed) : m_random(seed) {}

    IniCorpusFile make(const QString& name)
    {
        const int e = pick(20);
        m_encoding = e < 12   ? Encoding::Ansi
                     : e < 16 ? Encoding::Utf8Bom
                     : e < 19 ? Encoding::Utf16LE
                              : Encoding::Utf16BE;
        static const QStringList ends = {"\r\n", "\n", "\r"};
        m_end = ends.at(pick(3));
        QString text;
        const int lines = 1 + pick(30);
        for (int i = 0; i < lines; ++i)
            text += line() + lineEnd();
        if (chance(10))
            text += QChar(0x1a);
        return {name, encode(text)};
    }

private:
    int pick(int n) { return int(m_random.bounded(quint32(n))); }
    bool chance(int percent) { return pick(100) < percent; }
    template <typename T> const T& oneOf(const QList<T>& list)
    {
        return list.at(pick(list.size()));
    }

    QString lineEnd()
    {
        if (!chance(10))
            return m_end;
        static const QStringList odd = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", "\r\n\r\n"};
        return oneOf(odd);
    }

    // Blanks and characters that look like them.
    QString blanks()
    {
        static const QList<QChar> some = {' ',         ' ',         ' ',        '\t',
                                          QChar(0x0b), QChar(0x0c), QChar(0x1a)};
        QString out;
        for (int n = pick(3); n > 0; --n)
            out += oneOf(some);
        if (chance(8))
            out += QChar(0xa0); // a no-break space: no blank
        if (unicode() && chance(5))
            out += QChar(0x3000);
        return out;
    }

    bool unicode() const { return m_encoding != Encoding::Ansi; }

    // A name as a person might type it: letters in any case.
    QString spelled(const QString& name)
    {
        QString out = name;
        for (QChar& c : out) {
            if (c.isLetter() && c.unicode() < 0x80 && chance(30))
                c = c.isUpper() ? c.toLower() : c.toUpper();
        }
        return out;
    }

    QString text()
    {
        static const QStringList words = {
            "http://a.example/", "x", "1",  "Yes",           "a=b", "; c", "[x]",
            "page$$.html",       "'", "\"", "C:\\dir\\f.htm"};
        QString out;
        for (int n = pick(4); n > 0; --n)
            out += oneOf(words) + (chance(30) ? QStringLiteral(" ") : QString());
        if (chance(10))
            out.insert(pick(int(out.size()) + 1), QChar(0));
        if (chance(10))
            out.insert(pick(int(out.size()) + 1), QChar(0x1a));
        if (chance(15))
            out += highCharacter();
        if (chance(3))
            out += QString(20000 + pick(20000), QChar(u'a' + pick(26)));
        return out;
    }

    // Outside ASCII: in a file without a mark, a single Windows-1252 byte followed by ASCII, so
    // that the file is no valid UTF-8; in a Unicode file, anything, an unpaired surrogate too.
    QString highCharacter()
    {
        if (!unicode())
            return QString(QChar(char16_t(0x80 + pick(0x80)))) + QChar(u'a' + pick(26));
        static const QList<char16_t> some = {0xe9, 0x416, 0x3042, 0xfeff, 0x2028, 0xd800};
        char16_t c = oneOf(some);
        if (m_encoding == Encoding::Utf8Bom && c == 0xd800)
            c = 0xfffd; // UTF-8 cannot hold it
        return QString(QChar(c));
    }

    QString quoted(const QString& value)
    {
        static const QStringList quotes = {"\"", "'"};
        if (!chance(20))
            return value;
        const QString q = oneOf(quotes);
        return q + value + (chance(80) ? q : QString());
    }

    QString line()
    {
        switch (pick(12)) {
        case 0:
            return blanks();
        case 1:
            return QStringLiteral(";") + text();
        case 2:
        case 3: {
            // A header, perhaps spelled oddly.
            QString name = spelled(oneOf(kSectionNames));
            if (chance(5))
                name.clear();
            QString out = blanks() + u'[' + blanks() + name + blanks();
            if (!chance(10))
                out += chance(10) ? QStringLiteral("]]") : QStringLiteral("]");
            if (chance(15))
                out += blanks() + text();
            return out + blanks();
        }
        case 4:
            // A key without '='.
            return blanks() + spelled(oneOf(kKeyNames)) + blanks();
        default:
            return blanks() + spelled(oneOf(kKeyNames)) + blanks() + u'=' + blanks() +
                   quoted(text()) + blanks();
        }
    }

    QByteArray encode(const QString& text)
    {
        switch (m_encoding) {
        case Encoding::Ansi: {
            QByteArray bytes;
            for (const QChar c : text)
                bytes += char(c.unicode());
            return bytes;
        }
        case Encoding::Utf8Bom:
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        case Encoding::Utf16LE:
        case Encoding::Utf16BE: {
            const bool little = m_encoding == Encoding::Utf16LE;
            QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
            for (const QChar c : text) {
                const char16_t u = c.unicode();
                bytes += char(little ? u & 0xff : u >> 8);
                bytes += char(little ? u >> 8 : u & 0xff);
            }
            if (chance(5))
                bytes += 'x'; // an odd last byte
            return bytes;
        }
        }
        return {};
    }

    QRandomGenerator m_random;
    Encoding m_encoding = Encoding::Ansi;
    QString m_end;
};

} // namespace

QList<IniCorpusFile> IniCorpus(quint32 seed, int count)
{
    QList<IniCorpusFile> files = knownCases();
    Maker maker(seed);
    for (int i = 0; i < count; ++i)
        files.append(maker.make(QStringLiteral("mix-%1-%2").arg(seed).arg(i, 3, 10, QChar(u'0'))));
    return files;
}

QStringList IniCorpusProbes()
{
    QStringList probes = kKeyNames;
    probes.removeAll(QString());
    probes << QStringLiteral(";c") << QStringLiteral("[Page2") << QStringLiteral("q1")
           << QStringLiteral("q3") << QStringLiteral("q5");
    return probes;
}

} // namespace glasspane
