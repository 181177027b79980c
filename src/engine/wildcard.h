#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace glasspane {

// A pattern of the window search: '*' any run of characters, '?' one character, '#' one
// digit, "[...]" one character of a list ("[a-z]" ranges, "[!...]" any character but those);
// any other character stands for itself, case-sensitive. The whole text must match. A '['
// without its ']' stands for itself.
class WildcardPattern
{
public:
    WildcardPattern() = default;
    explicit WildcardPattern(const QString& pattern);

    bool matches(const QString& text) const;
    const QString& pattern() const { return m_pattern; }

private:
    enum class Kind : quint8 { Literal, Any, Digit, Set, Star };
    struct Range
    {
        char16_t first;
        char16_t last;
    };
    struct Token
    {
        Kind kind = Kind::Literal;
        bool negate = false;
        char16_t ch = 0;
        int rangeStart = 0; // into m_ranges
        int rangeCount = 0;
    };

    bool matchesOne(const Token& token, char16_t c) const;

    QString m_pattern;
    QVector<Token> m_tokens;
    QVector<Range> m_ranges;
};

// Wildcard match of one text against one pattern.
bool WildcardMatch(const QString& text, const QString& pattern);

// The patterns of a comma-separated setting: empty items are skipped, so an empty setting
// gives none and a trailing comma adds none.
QVector<WildcardPattern> ParsePatternList(const QString& commaList);

} // namespace glasspane
