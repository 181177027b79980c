#include "engine/wildcard.h"

namespace glasspane {

WildcardPattern::WildcardPattern(const QString& pattern) : m_pattern(pattern)
{
    const int n = int(pattern.size());
    for (int i = 0; i < n; ++i) {
        const char16_t c = pattern.at(i).unicode();
        Token token;
        switch (c) {
        case u'*':
            // Runs of stars match what one star matches.
            if (!m_tokens.isEmpty() && m_tokens.last().kind == Kind::Star)
                continue;
            token.kind = Kind::Star;
            break;
        case u'?':
            token.kind = Kind::Any;
            break;
        case u'#':
            token.kind = Kind::Digit;
            break;
        case u'[': {
            // The closing bracket; a ']' right after "[" or "[!" belongs to the list.
            int j = i + 1;
            const bool negate = j < n && pattern.at(j) == u'!';
            if (negate)
                ++j;
            const int listStart = j;
            if (j < n && pattern.at(j) == u']')
                ++j;
            while (j < n && pattern.at(j) != u']')
                ++j;
            if (j >= n) {
                token.kind = Kind::Literal;
                token.ch = c;
                break;
            }
            token.kind = Kind::Set;
            token.negate = negate;
            token.rangeStart = int(m_ranges.size());
            for (int k = listStart; k < j; ++k) {
                const char16_t first = pattern.at(k).unicode();
                // "a-z" is a range; a '-' first or last in the list stands for itself.
                if (k + 2 < j && pattern.at(k + 1) == u'-') {
                    char16_t last = pattern.at(k + 2).unicode();
                    m_ranges.append({std::min(first, last), std::max(first, last)});
                    k += 2;
                } else {
                    m_ranges.append({first, first});
                }
            }
            token.rangeCount = int(m_ranges.size()) - token.rangeStart;
            i = j;
            break;
        }
        default:
            token.kind = Kind::Literal;
            token.ch = c;
            break;
        }
        m_tokens.append(token);
    }
}

bool WildcardPattern::matchesOne(const Token& token, char16_t c) const
{
    switch (token.kind) {
    case Kind::Literal:
        return c == token.ch;
    case Kind::Any:
        return true;
    case Kind::Digit:
        return c >= u'0' && c <= u'9';
    case Kind::Set: {
        bool in = false;
        for (int r = token.rangeStart; r < token.rangeStart + token.rangeCount && !in; ++r)
            in = c >= m_ranges[r].first && c <= m_ranges[r].last;
        return in != token.negate;
    }
    case Kind::Star:
        break;
    }
    return false;
}

bool WildcardPattern::matches(const QString& text) const
{
    // Every token but the star takes one character, so backtracking to the last star is
    // enough: time at most text length times pattern length.
    const int n = int(text.size());
    const int m = int(m_tokens.size());
    int t = 0;
    int p = 0;
    int starToken = -1;
    int starText = 0;
    while (t < n) {
        if (p < m && m_tokens[p].kind == Kind::Star) {
            starToken = p++;
            starText = t;
        } else if (p < m && matchesOne(m_tokens[p], text.at(t).unicode())) {
            ++p;
            ++t;
        } else if (starToken >= 0) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m && m_tokens[p].kind == Kind::Star)
        ++p;
    return p == m;
}

bool WildcardMatch(const QString& text, const QString& pattern)
{
    return WildcardPattern(pattern).matches(text);
}

QVector<WildcardPattern> ParsePatternList(const QString& commaList)
{
    QVector<WildcardPattern> patterns;
    const QStringList items = commaList.split(u',', Qt::SkipEmptyParts);
    patterns.reserve(items.size());
    for (const QString& item : items)
        patterns.append(WildcardPattern(item));
    return patterns;
}

} // namespace glasspane
