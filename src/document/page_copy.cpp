#include "document/page_copy.h"

#include "document/page_cache.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/update_policy.h"
#include "platform/whole_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeType>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace glasspane {

namespace {

// More than this many resources is no page but a site: the rest stay web addresses.
constexpr int kMaxResources = 400;
// Style sheets importing style sheets: deeper imports stay web addresses.
constexpr int kMaxImportDepth = 4;

// A stretch of the text replaced by another.
struct Edit
{
    qsizetype start;
    qsizetype end;
    QByteArray text;
};

QByteArray applyEdits(const QByteArray& text, std::vector<Edit> edits)
{
    std::sort(edits.begin(), edits.end(),
              [](const Edit& a, const Edit& b) { return a.start < b.start; });
    QByteArray out;
    out.reserve(text.size() + 1024);
    qsizetype at = 0;
    for (const Edit& e : edits) {
        if (e.start < at)
            continue; // overlapping: the first one stands
        out.append(text.constData() + at, e.start - at);
        out.append(e.text);
        at = e.end;
    }
    out.append(text.constData() + at, text.size() - at);
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool startsWithNoCase(const QByteArray& text, qsizetype at, const char* word)
{
    const qsizetype n = qstrlen(word);
    return at + n <= text.size() && qstrnicmp(text.constData() + at, word, n) == 0;
}

qsizetype indexOfNoCase(const QByteArray& text, const char* word, qsizetype from)
{
    const char first = word[0];
    for (qsizetype at = from; at < text.size(); ++at) {
        const char c = text.at(at);
        if ((c == first || (c ^ 0x20) == first) && startsWithNoCase(text, at, word))
            return at;
    }
    return -1;
}

// The character references that occur in addresses.
QByteArray decodeReferences(const QByteArray& value)
{
    if (!value.contains('&'))
        return value;
    QString text = QString::fromUtf8(value);
    static const std::pair<const char*, char16_t> named[] = {
        {"&amp;", u'&'}, {"&quot;", u'"'}, {"&apos;", u'\''}, {"&lt;", u'<'}, {"&gt;", u'>'}};
    for (const auto& [name, c] : named)
        text.replace(QLatin1String(name), QString(QChar(c)), Qt::CaseInsensitive);
    for (qsizetype at = text.indexOf(QLatin1String("&#")); at >= 0;
         at = text.indexOf(QLatin1String("&#"), at + 1)) {
        const qsizetype end = text.indexOf(QLatin1Char(';'), at);
        if (end < 0)
            break;
        const QString digits = text.mid(at + 2, end - at - 2);
        bool ok = false;
        const uint code = digits.startsWith(QLatin1Char('x'), Qt::CaseInsensitive)
                              ? digits.mid(1).toUInt(&ok, 16)
                              : digits.toUInt(&ok, 10);
        const char32_t c = code;
        if (ok && code > 0 && code < 0x110000)
            text.replace(at, end - at + 1, QString::fromUcs4(&c, 1));
    }
    return text.toUtf8();
}

// An attribute value as written back: quoted, with '&' and '"' as references.
QByteArray quotedAttribute(const QByteArray& value)
{
    QByteArray v = value;
    v.replace('&', "&amp;").replace('"', "&quot;");
    return '"' + v + '"';
}

struct Attribute
{
    QByteArray name; // lower case
    QByteArray value;
    qsizetype valueStart = -1; // the value as written, quotes included; -1 without a value
    qsizetype valueEnd = -1;
};

struct Tag
{
    QByteArray name; // lower case
    qsizetype start = 0;
    qsizetype end = 0; // after '>'
    std::vector<Attribute> attributes;

    const Attribute* attribute(const char* name) const
    {
        for (const Attribute& a : attributes) {
            if (a.name == name)
                return &a;
        }
        return nullptr;
    }
};

// Reads the tag that opens at text[start] ('<' and a letter).
Tag readTag(const QByteArray& text, qsizetype start)
{
    Tag tag;
    tag.start = start;
    qsizetype at = start + 1;
    while (at < text.size() && !isSpace(text.at(at)) && text.at(at) != '>' && text.at(at) != '/')
        ++at;
    tag.name = text.mid(start + 1, at - start - 1).toLower();
    while (at < text.size()) {
        while (at < text.size() && (isSpace(text.at(at)) || text.at(at) == '/'))
            ++at;
        if (at >= text.size() || text.at(at) == '>')
            break;
        Attribute a;
        const qsizetype nameStart = at;
        while (at < text.size() && !isSpace(text.at(at)) && text.at(at) != '=' &&
               text.at(at) != '>' && (text.at(at) != '/' || at == nameStart))
            ++at;
        a.name = text.mid(nameStart, at - nameStart).toLower();
        qsizetype look = at;
        while (look < text.size() && isSpace(text.at(look)))
            ++look;
        if (look < text.size() && text.at(look) == '=') {
            at = look + 1;
            while (at < text.size() && isSpace(text.at(at)))
                ++at;
            a.valueStart = at;
            if (at < text.size() && (text.at(at) == '"' || text.at(at) == '\'')) {
                const char quote = text.at(at);
                const qsizetype close = text.indexOf(quote, at + 1);
                const qsizetype end = close < 0 ? text.size() : close;
                a.value = text.mid(at + 1, end - at - 1);
                at = close < 0 ? text.size() : close + 1;
            } else {
                while (at < text.size() && !isSpace(text.at(at)) && text.at(at) != '>')
                    ++at;
                a.value = text.mid(a.valueStart, at - a.valueStart);
            }
            a.valueEnd = at;
            a.value = decodeReferences(a.value);
        }
        tag.attributes.push_back(std::move(a));
    }
    tag.end = at < text.size() ? at + 1 : text.size();
    return tag;
}

bool hasWord(const QByteArray& list, const char* word)
{
    for (const QByteArray& w : list.simplified().toLower().split(' ')) {
        if (w == word)
            return true;
    }
    return false;
}

// Makes the copy: the page to show and what it names, fetched into the cache folder.
class Copier
{
public:
    Copier(CacheServices& services, const QString& folder, bool online)
        : m_services(services), m_folder(folder), m_online(online)
    {
        m_clock.start();
    }

    PageCopyReport& report() { return m_report; }

    QByteArray rewritePage(const QByteArray& html, const QUrl& pageUrl)
    {
        std::vector<Edit> edits;
        QUrl base = pageUrl;
        qsizetype at = 0;
        while ((at = html.indexOf('<', at)) >= 0) {
            if (html.mid(at, 4) == "<!--") {
                const qsizetype end = html.indexOf("-->", at + 4);
                at = end < 0 ? html.size() : end + 3;
                continue;
            }
            const char next = at + 1 < html.size() ? html.at(at + 1) : '\0';
            if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) {
                ++at;
                continue;
            }
            const Tag tag = readTag(html, at);
            at = tag.end;
            if (tag.name == "base") {
                // The copy names everything itself; the base would send it back to the web.
                if (const Attribute* href = tag.attribute("href"))
                    base = base.resolved(QUrl(QString::fromUtf8(href->value.trimmed())));
                edits.push_back({tag.start, tag.end, QByteArray()});
                continue;
            }
            rewriteTag(tag, base, edits);
            // Text that is no markup: scripts, style sheets and the like run to their end tag.
            static const char* const raw[] = {"script", "style", "textarea", "title", "xmp"};
            if (std::none_of(std::begin(raw), std::end(raw),
                             [&](const char* r) { return tag.name == r; }))
                continue;
            const QByteArray endTag = QByteArray("</") + tag.name;
            const qsizetype close = indexOfNoCase(html, endTag.constData(), at);
            const qsizetype end = close < 0 ? html.size() : close;
            if (tag.name == "style")
                rewriteCss(html, at, end, base, 0, edits);
            at = end;
        }
        return applyEdits(html, std::move(edits));
    }

private:
    void rewriteTag(const Tag& tag, const QUrl& base, std::vector<Edit>& edits)
    {
        for (const Attribute& a : tag.attributes) {
            if (a.valueStart < 0)
                continue;
            auto replaceValue = [&](const QByteArray& value) {
                if (value != a.value)
                    edits.push_back({a.valueStart, a.valueEnd, quotedAttribute(value)});
            };
            const QByteArray& n = a.name;
            if (n == "style") {
                replaceValue(rewriteCssText(a.value, base, 0));
            } else if (n == "srcset") {
                replaceValue(rewriteSrcset(a.value, base));
            } else if (isResource(tag, n)) {
                const bool css = tag.name == "link";
                replaceValue(reference(a.value, base, css, 0));
            } else if (isLink(tag.name, n)) {
                // Followed on the web, where it leads.
                const QString value = QString::fromUtf8(a.value.trimmed());
                if (!value.startsWith(QLatin1Char('#')) && !value.isEmpty())
                    replaceValue(base.resolved(QUrl(value)).toEncoded());
            }
        }
    }

    static bool isResource(const Tag& tag, const QByteArray& attribute)
    {
        const QByteArray& t = tag.name;
        if (attribute == "src")
            return t == "script" || t == "img" || t == "source" || t == "video" || t == "audio" ||
                   t == "track" || t == "embed" ||
                   (t == "input" && tag.attribute("type") &&
                    tag.attribute("type")->value.toLower() == "image");
        if (attribute == "href" && t == "link") {
            const Attribute* rel = tag.attribute("rel");
            return rel && hasWord(rel->value, "stylesheet");
        }
        return (attribute == "poster" && t == "video") || (attribute == "data" && t == "object") ||
               attribute == "background";
    }

    static bool isLink(const QByteArray& tag, const QByteArray& attribute)
    {
        return (attribute == "href" && (tag == "a" || tag == "area" || tag == "link")) ||
               (attribute == "action" && tag == "form") ||
               (attribute == "src" && (tag == "iframe" || tag == "frame"));
    }

    // What the copy names for the address in value (relative to base): the resource's file in
    // the cache, with the fragment the address had; the web address when it was not fetched.
    QByteArray reference(const QByteArray& value, const QUrl& base, bool css, int depth)
    {
        const QString written = QString::fromUtf8(value.trimmed());
        if (written.isEmpty() || written.startsWith(QLatin1Char('#')))
            return value;
        const QUrl target = base.resolved(QUrl(written));
        const QString scheme = target.scheme().toLower();
        // A page from the web reaches no file of the kiosk's, in its copy neither.
        if (scheme == QLatin1String("file"))
            return QByteArray();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return value;
        const QString name = resource(target.adjusted(QUrl::RemoveFragment), css, depth);
        if (name.isEmpty())
            return target.toEncoded();
        QByteArray local = QUrl::toPercentEncoding(name);
        if (target.hasFragment())
            local += '#' + target.fragment(QUrl::FullyEncoded).toUtf8();
        return local;
    }

    QByteArray rewriteSrcset(const QByteArray& srcset, const QUrl& base)
    {
        QByteArrayList candidates;
        for (const QByteArray& candidate : srcset.split(',')) {
            const QByteArray c = candidate.trimmed();
            const qsizetype space = c.indexOf(' ');
            const QByteArray address = space < 0 ? c : c.left(space);
            const QByteArray descriptor = space < 0 ? QByteArray() : c.mid(space);
            candidates << reference(address, base, false, 0) + descriptor;
        }
        return candidates.join(", ");
    }

    QByteArray rewriteCssText(const QByteArray& css, const QUrl& base, int depth)
    {
        std::vector<Edit> edits;
        rewriteCss(css, 0, css.size(), base, depth, edits);
        return applyEdits(css, std::move(edits));
    }

    // The url(...) and @import "..." of a style sheet in text[from, to).
    void rewriteCss(const QByteArray& text, qsizetype from, qsizetype to, const QUrl& base,
                    int depth, std::vector<Edit>& edits)
    {
        qsizetype at = from;
        while (at < to) {
            const char c = text.at(at);
            if (c == '/' && at + 1 < to && text.at(at + 1) == '*') {
                const qsizetype end = text.indexOf("*/", at + 2);
                at = end < 0 || end >= to ? to : end + 2;
            } else if ((c == 'u' || c == 'U') && startsWithNoCase(text, at, "url(")) {
                qsizetype start = at + 4;
                while (start < to && isSpace(text.at(start)))
                    ++start;
                char quote = '\0';
                if (start < to && (text.at(start) == '"' || text.at(start) == '\''))
                    quote = text.at(start++);
                const qsizetype end = quote ? text.indexOf(quote, start) : text.indexOf(')', start);
                if (end < 0 || end > to)
                    return;
                const bool imported = importsAt(text, from, at);
                const QByteArray value = text.mid(start, end - start).trimmed();
                const QByteArray local = reference(value, base, imported, depth + 1);
                if (local != value)
                    edits.push_back({start, end, cssString(local, quote)});
                at = end + 1;
            } else if (c == '@' && startsWithNoCase(text, at, "@import")) {
                qsizetype start = at + 7;
                while (start < to && isSpace(text.at(start)))
                    ++start;
                if (start < to && (text.at(start) == '"' || text.at(start) == '\'')) {
                    const char quote = text.at(start);
                    const qsizetype end = text.indexOf(quote, start + 1);
                    if (end < 0 || end > to)
                        return;
                    const QByteArray value = text.mid(start + 1, end - start - 1);
                    const QByteArray local = reference(value, base, true, depth + 1);
                    if (local != value)
                        edits.push_back({start + 1, end, cssString(local, quote)});
                    at = end + 1;
                } else {
                    at = start; // "@import url(...)": the url() is read next
                }
            } else if (c == '"' || c == '\'') {
                const qsizetype end = text.indexOf(c, at + 1);
                at = end < 0 || end >= to ? to : end + 1;
            } else {
                ++at;
            }
        }
    }

    // Whether the url( at text[at] follows an @import.
    static bool importsAt(const QByteArray& text, qsizetype from, qsizetype at)
    {
        qsizetype before = at;
        while (before > from && isSpace(text.at(before - 1)))
            --before;
        return before - 7 >= from && startsWithNoCase(text, before - 7, "@import");
    }

    // A reference inside a CSS string or url(): quotes and parentheses cannot end it early.
    static QByteArray cssString(QByteArray value, char quote)
    {
        if (quote)
            return value.replace(quote, quote == '"' ? "%22" : "%27");
        return value.replace('(', "%28").replace(')', "%29").replace(' ', "%20");
    }

    // The file name in the cache folder of the resource at url, fetched when the policy's
    // time allows; "" when there is none.
    QString resource(const QUrl& url, bool css, int depth)
    {
        const QString address = QString::fromUtf8(url.toEncoded());
        const auto known = m_names.constFind(address);
        if (known != m_names.constEnd())
            return *known;
        m_names.insert(address, QString()); // an import loop ends here
        QString name;
        if (depth <= kMaxImportDepth && m_names.size() <= kMaxResources)
            name = fetch(address, css, depth);
        if (name.isEmpty())
            m_report.missing << address;
        else
            ++m_report.resources;
        m_names.insert(address, name);
        return name;
    }

    QString fetch(const QString& address, bool css, int depth)
    {
        const QString localFile = m_folder + QLatin1Char('/') + CacheFileName(address);
        const qint64 left = qint64(m_services.update.MaxTime) * 1000 - m_clock.elapsed();
        // Out of time or off-line, a copy fetched before serves as it is.
        if (m_online && left >= 1000)
            (void)RefreshCopy(m_services, address, localFile, int(left / 1000));
        if (!QFileInfo(localFile).isFile())
            return QString();
        if (!css)
            return QFileInfo(ViewableCopy(m_services, localFile)).fileName();
        // A style sheet names its own resources: the copy shown names them in the cache.
        QFile in(localFile);
        if (!in.open(QIODevice::ReadOnly))
            return QString();
        const QUrl base(address);
        const QByteArray shown = rewriteCssText(in.readAll(), base, depth);
        if (!WriteWholeFile(localFile + QStringLiteral(".css"), shown))
            return QString();
        return QFileInfo(localFile).fileName() + QStringLiteral(".css");
    }

    CacheServices& m_services;
    QString m_folder;
    bool m_online;
    QElapsedTimer m_clock;
    QHash<QString, QString> m_names; // address -> file name ("" when it has none)
    PageCopyReport m_report;
};

bool isHtmlCopy(const QString& localFile)
{
    const QMimeType type = CachedCopyType(localFile);
    return type.inherits(QStringLiteral("text/html")) ||
           type.inherits(QStringLiteral("application/xhtml+xml"));
}

} // namespace

QString ShownPageOf(const QString& localFile)
{
    return localFile + QStringLiteral(".html");
}

bool PageCopyCurrent(const QString& localFile)
{
    const QFileInfo copy(localFile);
    const QFileInfo shown(ShownPageOf(localFile));
    return copy.isFile() && shown.isFile() && shown.lastModified() >= copy.metadataChangeTime();
}

PageCopyReport MakePageCopy(CacheServices& services, const QString& url, const QString& localFile,
                            bool online)
{
    Copier copier(services, QFileInfo(localFile).absolutePath(), online);
    QFile page(localFile);
    if (!isHtmlCopy(localFile) || !page.open(QIODevice::ReadOnly))
        return copier.report();
    const QUrl pageUrl = QUrl(url).adjusted(QUrl::RemoveFragment);
    const QByteArray shown = copier.rewritePage(page.readAll(), pageUrl);
    copier.report().made = WriteWholeFile(ShownPageOf(localFile), shown);
    return copier.report();
}

} // namespace glasspane
