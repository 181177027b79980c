#include "fuzz_check.h"

#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace glasspane::fuzz {

void fail(const char* check, const char* file, int line, const QString& detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s%s\n", file, line, check,
                 detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

QString show(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate() || c == u'"' || c == u'\\')
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

QString show(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString show(const QStringList& list)
{
    QStringList shown;
    for (const QString& s : list)
        shown << show(s);
    return u'[' + shown.join(QStringLiteral(", ")) + u']';
}

QString textOf(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes ? text : QString::fromLatin1(bytes);
}

} // namespace glasspane::fuzz
