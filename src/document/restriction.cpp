#include "document/restriction.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace glasspane {

namespace {

using Kind = CanonicalAddress::Kind;

bool isAsciiAlpha(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Browsers drop tabs and line breaks anywhere in an address, and blanks and control
// characters around it: "java\tscript:" is "javascript:".
QString withoutIgnoredCharacters(const QString& in)
{
    QString s = in;
    s.removeIf([](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && s.at(end - 1).unicode() <= 0x20)
        --end;
    // The usual address has nothing to drop, and is given back without a copy.
    return begin == 0 && end == s.size() ? s : s.mid(begin, end - begin);
}

// Length of the scheme before the first ':', or -1 when the text does not begin with one.
qsizetype schemeLength(const QString& s)
{
    if (s.isEmpty() || !isAsciiAlpha(s.at(0)))
        return -1;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u':')
            return i;
        if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return -1;
    }
    return -1;
}

// "C:", "C:\..." or "C:/...".
bool isDrivePath(const QString& s)
{
    return s.size() >= 2 && isAsciiAlpha(s.at(0)) && s.at(1) == u':' &&
           (s.size() == 2 || s.at(2) == u'/' || s.at(2) == u'\\');
}

enum class Escapes {
    DecodeAll,        // file: addresses: every escape is the byte it stands for
    DecodeUnreserved, // web addresses: unreserved characters decoded, the rest kept
    DecodePath,       // the path of a web address: '/' (and '\') decoded too
};

// One pass of settleEscapes().
QString settleEscapesOnce(const QString& text, Escapes mode)
{
    const QByteArray in = text.toUtf8();
    QByteArray out;
    out.reserve(in.size());
    auto encode = [&out](uchar byte) {
        static const char digits[] = "0123456789ABCDEF";
        out += '%';
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    };
    for (qsizetype i = 0; i < in.size(); ++i) {
        const uchar c = uchar(in.at(i));
        if (c == '%' && i + 2 < in.size() && hexValue(in.at(i + 1)) >= 0 &&
            hexValue(in.at(i + 2)) >= 0) {
            const uchar byte = uchar(hexValue(in.at(i + 1)) * 16 + hexValue(in.at(i + 2)));
            i += 2;
            const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                    (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                    byte == '_' || byte == '~';
            const bool slash = byte == '/' || byte == '\\';
            if (mode == Escapes::DecodeAll || unreserved || (mode == Escapes::DecodePath && slash))
                out += char(mode == Escapes::DecodePath && slash ? '/' : byte);
            else
                encode(byte);
            continue;
        }
        const bool special = c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' ||
                             c == '`' || c == '{' || c == '}';
        if (mode != Escapes::DecodeAll && special)
            encode(c);
        else
            out += char(c);
    }
    return QString::fromUtf8(out);
}

// Percent-escapes decoded as `mode` says; escapes that stay get upper-case digits. Web text
// also gets characters outside printable ASCII encoded, as the browser sends them, and is
// decoded until nothing changes: "%3%30" becomes "%30" in one pass, which the server reads as
// "0" (the browser sends it so), so the canonical text is the text no pass changes any more.
// Each pass that changes something is shorter, so this ends.
QString settleEscapes(const QString& text, Escapes mode)
{
    QString settled = settleEscapesOnce(text, mode);
    if (mode == Escapes::DecodeAll)
        return settled; // a file's name is decoded once: "%41" in a decoded name is its name
    for (QString next = settleEscapesOnce(settled, mode); next != settled;
         next = settleEscapesOnce(settled, mode))
        settled = next;
    return settled;
}

// Repeated slashes merged and "." and ".." segments resolved; a path that ended in a folder
// keeps its final slash. Nothing climbs above the root.
QString normalizedPath(const QString& path)
{
    const bool absolute = path.startsWith(u'/');
    const QStringList parts = path.split(u'/');
    QStringList kept;
    bool endsInFolder = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        const bool last = i == parts.size() - 1;
        if (part.isEmpty() || part == u"." || part == u"..") {
            if (part == u".." && !kept.isEmpty())
                kept.removeLast();
            endsInFolder = last;
            continue;
        }
        kept.append(part);
        endsInFolder = false;
    }
    QString result = (absolute ? QStringLiteral("/") : QString()) + kept.join(u'/');
    if (endsInFolder && !kept.isEmpty())
        result += u'/';
    return result;
}

int defaultPort(const QString& scheme)
{
    return scheme == u"https" ? 443 : 80;
}

QString hostForm(const QString& host)
{
    // QUrl decodes escapes, applies IDNA and reads every IPv4 spelling ("0x7f.1", "2130706433").
    // A name it refuses keeps its escapes but those of unreserved characters: decoded, an
    // escaped '/' or ':' would make another address of it.
    const QUrl url(QStringLiteral("http://") + host + QStringLiteral("/"));
    const QString h = url.isValid() && !url.host().isEmpty()
                          ? url.host(QUrl::FullyEncoded)
                          : settleEscapes(host, Escapes::DecodeUnreserved);
    return h.toLower();
}

QString canonicalHost(const QString& host)
{
    QString h = hostForm(host);
    // "evil.example." is the same host as "evil.example", and "127.1." the same as
    // "127.0.0.1": the name is read again without its final dots.
    while (h.size() > 1 && h.endsWith(u'.'))
        h = hostForm(h.chopped(1));
    return h;
}

enum class Prefix { None, Include, Exclude };

struct Form
{
    CanonicalAddress address;
    // A prefix that ends inside the host or port: its host may not be complete.
    bool openAuthority = false;
    // An exclude prefix that ends in the host may name a whole host in another spelling
    // ("http://evil.example.", "http://2130706433"): the start of that host's addresses in its
    // canonical form ("http://127.0.0.1:").
    QString wholeHost;
};

Form webForm(const QString& scheme, QString rest, Prefix prefix)
{
    // "http:/\evil.example" is "http://evil.example/".
    qsizetype start = 0;
    while (start < rest.size() && (rest.at(start) == u'/' || rest.at(start) == u'\\'))
        ++start;
    rest = rest.mid(start);
    qsizetype authorityEnd = rest.size();
    for (const QChar c : {u'/', u'\\', u'?', u'#'}) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0 && at < authorityEnd)
            authorityEnd = at;
    }
    QString authority = rest.left(authorityEnd);
    const QString tail = rest.mid(authorityEnd);
    // The host is what follows the last '@': "http://kiosk.example@evil.example/" goes to
    // evil.example.
    authority = authority.mid(authority.lastIndexOf(u'@') + 1);
    QString host = authority;
    QString port;
    bool hasPort = false;
    const qsizetype bracket = authority.indexOf(u']');
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon >= 0 && colon > bracket) {
        host = authority.left(colon);
        port = authority.mid(colon + 1);
        hasPort = true;
    }

    Form form;
    form.address.kind = Kind::Web;
    form.address.scheme = scheme;
    form.openAuthority = prefix == Prefix::Include && tail.isEmpty();
    if (prefix == Prefix::Exclude && tail.isEmpty() && !hasPort) {
        // A partial host ("http://ads.") stays as written, so that it forbids what it names;
        // international names in their ASCII form, as the hosts of addresses are compared. (A
        // port after it ends the host: that prefix is read as a whole address.)
        QString written = settleEscapes(host, Escapes::DecodeAll);
        if (std::any_of(written.cbegin(), written.cend(),
                        [](QChar c) { return c.unicode() > 127; })) {
            const QByteArray ace = QUrl::toAce(written);
            if (!ace.isEmpty())
                written = QString::fromLatin1(ace);
        }
        form.address.text = (scheme + QStringLiteral("://") + written).toLower();
        if (!host.isEmpty())
            form.wholeHost = scheme + QStringLiteral("://") + canonicalHost(host) + u':';
        return form;
    }

    bool numeric = !port.isEmpty();
    for (const QChar c : port)
        numeric = numeric && isAsciiDigit(c);
    const qulonglong portNumber = numeric ? port.toULongLong(&numeric) : 0;
    QString portText;
    if (!hasPort || port.isEmpty())
        portText = QString::number(defaultPort(scheme));
    else
        portText = numeric ? QString::number(portNumber) : port;

    QString text = scheme + QStringLiteral("://") + canonicalHost(host);
    if (form.openAuthority) {
        // An include prefix that names a host admits that host only, on any port unless it
        // names one.
        if (hasPort)
            text += u':' + portText;
        form.address.text = text.toLower();
        return form;
    }
    text += u':' + portText;

    qsizetype pathEnd = tail.size();
    for (const QChar c : {u'?', u'#'}) {
        const qsizetype at = tail.indexOf(c);
        if (at >= 0 && at < pathEnd)
            pathEnd = at;
    }
    QString path = settleEscapes(tail.left(pathEnd), Escapes::DecodePath);
    path.replace(u'\\', u'/');
    path = normalizedPath(path.isEmpty() ? QStringLiteral("/") : path);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    text += path + settleEscapes(tail.mid(pathEnd), Escapes::DecodeUnreserved);
    form.address.text = text.toLower();
    return form;
}

// A file on a network share, however written: "\\server\share\rest", "smb://server/share/rest",
// or the place where the desktop mounted that share ("/run/user/1000/gvfs/smb-share:
// server=server,share=share/rest"). Server and share names are the same in any letter case.
CanonicalAddress shareForm(const QString& server, const QString& share, const QString& rest)
{
    CanonicalAddress a;
    a.kind = Kind::File;
    a.scheme = QStringLiteral("smb");
    a.text = QStringLiteral("smb://") + server.toLower() + u'/' + share.toLower() +
             normalizedPath(u'/' + rest);
    return a;
}

// "server/share/rest" after the leading separators of a share address.
CanonicalAddress shareFormOf(QString text)
{
    text.replace(u'\\', u'/');
    const QStringList parts = text.split(u'/');
    return shareForm(parts.value(0), parts.value(1), parts.mid(2).join(u'/'));
}

CanonicalAddress pathForm(QString path)
{
    CanonicalAddress a;
    a.kind = Kind::File;
    a.scheme = QStringLiteral("file");
    path.replace(u'\\', u'/');
    if (isDrivePath(path)) {
        // Windows paths: letters in any case are the same file there.
        a.text =
            (path.left(2) + normalizedPath(path.size() > 2 ? path.mid(2) : QStringLiteral("/")))
                .toLower();
        return a;
    }
    a.text = normalizedPath(path);
    // The desktop's mount folder of a share stands for the share itself.
    static const QRegularExpression mounted(QStringLiteral("/gvfs/smb-share:([^/]*)(/.*)?$"));
    const QRegularExpressionMatch m = mounted.match(a.text);
    if (m.hasMatch()) {
        QString server;
        QString share;
        for (const QString& pair : m.captured(1).split(u',')) {
            if (pair.startsWith(QLatin1String("server=")))
                server = QUrl::fromPercentEncoding(pair.mid(7).toUtf8());
            else if (pair.startsWith(QLatin1String("share=")))
                share = QUrl::fromPercentEncoding(pair.mid(6).toUtf8());
        }
        if (!server.isEmpty() && !share.isEmpty())
            return shareForm(server, share, m.captured(2));
    }
    return a;
}

CanonicalAddress fileUrlForm(QString rest)
{
    qsizetype end = rest.size();
    for (const QChar c : {u'?', u'#'}) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0 && at < end)
            end = at;
    }
    const QString suffix = rest.mid(end);
    QString path = rest.left(end);
    path.replace(u'\\', u'/');
    if (path.startsWith(QLatin1String("//"))) {
        const qsizetype slash = path.indexOf(u'/', 2);
        const QString host = path.mid(2, slash < 0 ? -1 : slash - 2);
        const QString below = slash < 0 ? QString() : path.mid(slash);
        // file://localhost/x is /x; another host stays in the path, as a share would.
        path = host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                   ? below
                   : QStringLiteral("//") + host + below;
    }
    path = settleEscapes(path, Escapes::DecodeAll);
    // "file:///C:/x" and "file:///C|/x" are the drive path "C:/x".
    if (path.size() >= 3 && path.at(0) == u'/' && isAsciiAlpha(path.at(1)) &&
        (path.at(2) == u':' || path.at(2) == u'|') && (path.size() == 3 || path.at(3) == u'/'))
        path = path.mid(1, 1) + u':' + path.mid(3);
    // "file:etc/passwd" is "/etc/passwd", as browsers read it.
    if (!path.startsWith(u'/') && !isDrivePath(path))
        path.prepend(u'/');
    CanonicalAddress a = pathForm(path);
    a.text += suffix;
    return a;
}

// How an address (without its ignored characters) is read: the start decides.
enum class Reading { Share, Path, Relative, Web, FileUrl, SmbUrl, OtherScheme };

struct Classified
{
    Reading reading;
    QString scheme; // lower case, for the readings with a scheme
    qsizetype schemeLength = -1;
};

Classified classify(const QString& s)
{
    if (s.startsWith(QLatin1String("\\\\")))
        return {Reading::Share, QString()};
    if (s.startsWith(u'/') || s.startsWith(u'\\') || isDrivePath(s))
        return {Reading::Path, QString()};
    const qsizetype length = schemeLength(s);
    if (length < 0)
        return {Reading::Relative, QString()};
    QString scheme = s.left(length).toLower();
    Reading reading = Reading::OtherScheme;
    if (scheme == u"http" || scheme == u"https")
        reading = Reading::Web;
    else if (scheme == u"file")
        reading = Reading::FileUrl;
    else if (scheme == u"smb")
        reading = Reading::SmbUrl;
    return {reading, std::move(scheme), length};
}

Form canonicalForm(const QString& address, Prefix prefix)
{
    const QString s = withoutIgnoredCharacters(address);
    const Classified c = classify(s);
    switch (c.reading) {
    case Reading::Share:
        return Form{shareFormOf(s.mid(2)), false, {}};
    case Reading::Path:
        return Form{pathForm(s), false, {}};
    case Reading::Relative: {
        // No scheme: a relative address, compared as written.
        CanonicalAddress a;
        a.text = QString(s).replace(u'\\', u'/').toLower();
        return Form{a, false, {}};
    }
    default:
        break;
    }
    const QString& scheme = c.scheme;
    const QString rest = s.mid(c.schemeLength + 1);
    if (c.reading == Reading::Web)
        return webForm(scheme, rest, prefix);
    if (c.reading == Reading::FileUrl)
        return Form{fileUrlForm(rest), false, {}};
    if (c.reading == Reading::SmbUrl) {
        QString below = rest;
        while (below.startsWith(u'/') || below.startsWith(u'\\'))
            below.remove(0, 1);
        return Form{shareFormOf(settleEscapes(below, Escapes::DecodeAll)), false, {}};
    }
    CanonicalAddress a;
    a.scheme = scheme;
    a.text = scheme + u':' + rest.toLower();
    return Form{a, false, {}};
}

bool matches(const Form& address, const Form& prefix)
{
    const QString& text = address.address.text;
    const QString& start = prefix.address.text;
    if (!prefix.wholeHost.isEmpty() && text.startsWith(prefix.wholeHost))
        return true;
    if (start.isEmpty() || !text.startsWith(start))
        return false;
    if (!prefix.openAuthority || text.size() == start.size())
        return true;
    const QChar next = text.at(start.size());
    return next == u':' || next == u'/';
}

// A folder of the program's own pages, in canonical form, to test many addresses against.
class OwnFolder
{
public:
    explicit OwnFolder(const QString& folder)
    {
        if (folder.trimmed().isEmpty())
            return;
        const CanonicalAddress f = canonicalForm(folder, Prefix::None).address;
        QString base = f.text;
        while (base.endsWith(u'/'))
            base.chop(1);
        // The root is nobody's private folder.
        if (f.kind == Kind::File && !base.isEmpty())
            m_base = base;
    }

    // Whether address is the folder itself or lies below it.
    bool holds(const CanonicalAddress& address) const
    {
        if (m_base.isEmpty() || address.kind != Kind::File)
            return false;
        return address.text == m_base ||
               (address.text.startsWith(m_base) && address.text.size() > m_base.size() &&
                address.text.at(m_base.size()) == u'/');
    }

    // A copy of the page cache, directly in the folder.
    bool holdsCacheCopy(const CanonicalAddress& address) const
    {
        if (!holds(address))
            return false;
        const qsizetype slash = address.text.lastIndexOf(u'/');
        static const QRegularExpression copyName(
            QStringLiteral("^[0-9a-f]{32}\\.[^./]{1,4}(\\.[a-z0-9]{1,10})?$"));
        return address.text.left(slash) == m_base &&
               copyName.match(address.text.mid(slash + 1)).hasMatch();
    }

private:
    QString m_base; // without a final '/'; "" for none
};

bool hasEntry(const QStringList& list)
{
    for (const QString& entry : list) {
        if (!entry.isEmpty())
            return true;
    }
    return false;
}

} // namespace

CanonicalAddress CanonicalForm(const QString& address)
{
    return canonicalForm(address, Prefix::None).address;
}

bool SameAddress(const QString& a, const QString& b)
{
    const CanonicalAddress x = CanonicalForm(a);
    const CanonicalAddress y = CanonicalForm(b);
    return x.kind == y.kind && x.text == y.text;
}

bool IsNavigableAddress(const QString& address)
{
    // Every reading but an unknown scheme gives a web address, a file or a relative address;
    // the whole canonical form is needed only for about: addresses.
    const Classified c = classify(withoutIgnoredCharacters(address));
    if (c.reading != Reading::OtherScheme)
        return true;
    if (c.scheme != u"about")
        return false;
    // about:blank and about:srcdoc are empty pages; other about: addresses are the engine's.
    static const QRegularExpression page(QStringLiteral("^about:(blank|srcdoc)([?#].*)?$"));
    return page.match(CanonicalForm(address).text).hasMatch();
}

bool IsDocumentAddress(const QString& address)
{
    return address.right(4).compare(QLatin1String(".gpn"), Qt::CaseInsensitive) == 0;
}

bool RestrictsNavigation(const QStringList& includeList, const QStringList& excludeList)
{
    return hasEntry(includeList) || hasEntry(excludeList);
}

bool IsPageCacheCopy(const QString& address, const QString& cacheFolder)
{
    return OwnFolder(cacheFolder).holdsCacheCopy(CanonicalForm(address));
}

struct Restriction::Lists
{
    std::vector<Form> include; // the non-empty prefixes, in canonical form
    std::vector<Form> exclude;
    bool limited = false;  // the include list has entries (empty ones too)
    bool anything = false; // either list has entries
    OwnFolder resourceFolder;
    OwnFolder cacheFolder;
};

Restriction::Restriction(const QStringList& includeList, const QStringList& excludeList,
                         const LocalPages& local)
{
    auto lists = std::make_shared<Lists>(Lists{{},
                                               {},
                                               !includeList.isEmpty(),
                                               !includeList.isEmpty() || !excludeList.isEmpty(),
                                               OwnFolder(local.resourceFolder),
                                               OwnFolder(local.cacheFolder)});
    for (const QString& prefix : includeList) {
        if (!prefix.isEmpty())
            lists->include.push_back(canonicalForm(prefix, Prefix::Include));
    }
    for (const QString& prefix : excludeList) {
        if (!prefix.isEmpty())
            lists->exclude.push_back(canonicalForm(prefix, Prefix::Exclude));
    }
    d = std::move(lists);
}

bool Restriction::operator()(const QString& url) const
{
    if (!IsNavigableAddress(url))
        return true;
    if (!d->anything)
        return false;
    const Form address = canonicalForm(url, Prefix::None);
    bool result = false;
    if (d->limited && !d->resourceFolder.holds(address.address) &&
        !d->cacheFolder.holdsCacheCopy(address.address)) {
        result = true;
        for (const Form& prefix : d->include) {
            if (matches(address, prefix)) {
                result = false;
                break;
            }
        }
    }
    for (const Form& prefix : d->exclude) {
        if (matches(address, prefix))
            return true;
    }
    return result;
}

bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const LocalPages& local)
{
    return Restriction(includeList, excludeList, local)(url);
}

bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const QString& resourceFolder)
{
    return IsRestricted(url, includeList, excludeList, LocalPages{resourceFolder, QString()});
}

} // namespace glasspane
