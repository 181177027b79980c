// The value-file scan: the texts found between the patterns' prefixes and suffixes must be
// exactly those of the plain scan that the fast one stands for (the earliest prefix wins, the
// earlier pattern on a tie, repeated values dropped, at most maxValues of them).

#include "document/page_variables.h"
#include "document/text.h"
#include "fuzz_check.h"

#include <QBuffer>
#include <fuzzer/FuzzedDataProvider.h>

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

// Case folded one UTF-16 unit at a time, surrogates as they are.
QString folded(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (!c.isSurrogate())
            c = c.toCaseFolded();
    }
    return out;
}

QStringList plainScan(const QString& text, const QVector<ValuePattern>& patterns,
                      bool caseSensitive, int maxValues)
{
    const QString hay = caseSensitive ? text : folded(text);
    QVector<ValuePattern> pairs = patterns;
    if (!caseSensitive) {
        for (ValuePattern& p : pairs) {
            p.prefix = folded(p.prefix);
            p.suffix = folded(p.suffix);
        }
    }
    auto find = [&](const QString& needle, qsizetype from) -> qsizetype {
        return from > hay.size() ? -1 : hay.indexOf(needle, from);
    };
    QStringList values;
    if (text.isEmpty() || maxValues <= 0)
        return values;
    // A value ends at its end mark or at the end of its line, whichever comes first; the end of
    // the text ends the last line.
    auto lineEnd = [&](qsizetype from) {
        qsizetype at = from;
        while (at < hay.size()) {
            const char16_t c = hay.at(at).unicode();
            if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029)
                break;
            ++at;
        }
        return at;
    };
    qsizetype p = 0;
    for (;;) {
        qsizetype bestStart = -1, bestValue = 0, bestEnd = 0;
        bool bestAtLineEnd = false;
        int best = -1;
        for (int j = 0; j < pairs.size(); ++j) {
            const ValuePattern& pair = pairs[j];
            const qsizetype s = pair.prefix.isEmpty() ? p : find(pair.prefix, p);
            if (s < 0)
                continue;
            const qsizetype v = s + pair.prefix.size();
            const qsizetype mark = find(pair.suffix.isEmpty() ? pair.prefix : pair.suffix, v);
            const qsizetype le = lineEnd(v);
            const bool atLineEnd = mark < 0 || mark > le;
            if (best < 0 || s < bestStart) {
                best = j;
                bestStart = s;
                bestValue = v;
                bestEnd = atLineEnd ? le : mark;
                bestAtLineEnd = atLineEnd;
            }
        }
        if (best < 0)
            break;
        // A line with nothing after the prefix holds no value.
        if (bestAtLineEnd && bestEnd == bestValue) {
            if (bestEnd >= text.size())
                break;
            p = bestEnd + 1;
            continue;
        }
        const QString value = text.mid(bestValue, bestEnd - bestValue);
        if (!values.contains(value)) {
            values.append(value);
            if (values.size() >= maxValues)
                break;
        }
        p = bestAtLineEnd ? bestEnd : bestEnd + pairs[best].suffix.size();
    }
    return values;
}

// A value file's text as it is read: the whole file decoded, each line ending in CR LF.
QString plainLines(const QByteArray& bytes)
{
    QStringList lines = DecodeText(bytes).split(u'\n');
    if (lines.back().isEmpty())
        lines.removeLast();
    QString text;
    for (const QString& line : lines)
        text += (line.endsWith(u'\r') ? line.chopped(1) : line) + QStringLiteral("\r\n");
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool caseSensitive = provider.ConsumeBool();
    const int maxValues = provider.ConsumeIntegralInRange(1, 40);
    const std::string patternBytes = provider.ConsumeRandomLengthString(64);
    const std::string textBytes = provider.ConsumeRemainingBytesAsString();
    const QString patternList = textOf(QByteArray::fromStdString(patternBytes));
    const QString text = textOf(QByteArray::fromStdString(textBytes));
    const QByteArray fileBytes = QByteArray::fromStdString(textBytes);
    const QString lines = plainLines(fileBytes);
    FUZZ_EQUAL(DecodeTextLines(fileBytes), lines);
    QByteArray copy = fileBytes;
    QBuffer device(&copy);
    FUZZ_CHECK(device.open(QIODevice::ReadOnly), QString());
    FUZZ_EQUAL(ReadTextLines(device, 8 + qsizetype(size % 13)), lines);

    const QVector<ValuePattern> patterns = ParsePatterns(patternList);
    for (const ValuePattern& p : patterns)
        FUZZ_CHECK(!p.prefix.isEmpty() || !p.suffix.isEmpty(), show(patternList));
    const QStringList values = ScanValueFile(text, patterns, caseSensitive, maxValues);
    FUZZ_EQUAL(values, plainScan(text, patterns, caseSensitive, maxValues));
    return 0;
}
