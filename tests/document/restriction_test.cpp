// The navigation test of the include and exclude lists: every spelling of an address meets the
// same prefixes, schemes that are no page are refused, local files compare with regard to case.

#include "document/restriction.h"

#include <QTest>

using namespace glasspane;

namespace {

const QString kResource = QStringLiteral("/res/Gpane");
const QString kCache = QStringLiteral("/home/k/.cache/glasspane");
const QString kCopy = QStringLiteral("0123456789abcdef0123456789abcdef");

} // namespace

class RestrictionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isRestricted_data();
    void isRestricted();
    void canonicalForm_data();
    void canonicalForm();
};

void RestrictionTest::isRestricted_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("include");
    QTest::addColumn<QStringList>("exclude");
    QTest::addColumn<bool>("restricted");

    const QStringList none;
    const QStringList show{QStringLiteral("http://127.0.0.1:8080/show/")};
    const QStringList privateFolder{QStringLiteral("http://127.0.0.1:8080/show/private/")};
    auto row = [](const char* name, const QString& url, const QStringList& include,
                  const QStringList& exclude, bool restricted) {
        QTest::newRow(name) << url << include << exclude << restricted;
    };

    // Spellings of an excluded folder that a server would serve as that folder.
    const QString base = QStringLiteral("http://127.0.0.1:8080");
    const char* const privateSpellings[][2] = {
        {"plain", "/show/private/x.html"},
        {"doubled slash", "/show//private/x.html"},
        {"encoded slash", "/show/private%2Fx.html"},
        {"encoded slash, lower case", "/show/private%2fx.html"},
        {"encoded backslash", "/show/private%5Cx.html"},
        {"backslashes", "\\show\\private\\x.html"},
        {"encoded letter", "/show/%70rivate/x.html"},
        {"dot segment", "/show/./private/x.html"},
        {"dot-dot segment", "/show/public/../private/x.html"},
        {"encoded dot-dot", "/show/public/%2e%2E/private/x.html"},
        {"half-encoded dot-dot", "/show/public/.%2e/private/x.html"},
        {"letter case", "/SHOW/Private/x.html"},
    };
    for (const auto& [name, path] : privateSpellings)
        row(name, base + QString::fromLatin1(path), show, privateFolder, true);
    const char* const authoritySpellings[][2] = {
        {"scheme in capitals", "HTTP://127.0.0.1:8080/show/private/x"},
        {"port with a leading zero", "http://127.0.0.1:08080/show/private/x"},
        {"user name", "http://visitor:pw@127.0.0.1:8080/show/private/x"},
        {"hexadecimal host", "http://0x7f.0.0.1:8080/show/private/x"},
        {"host as one number", "http://2130706433:8080/show/private/x"},
        {"short host", "http://127.1:8080/show/private/x"},
        {"no slashes after the scheme", "http:127.0.0.1:8080/show/private/x"},
        {"backslashes after the scheme", "http:\\\\127.0.0.1:8080/show/private/x"},
        {"blank before", "  http://127.0.0.1:8080/show/private/x"},
        {"tab inside", "ht\ttp://127.0.0.1:8080/show/private/x"},
    };
    for (const auto& [name, url] : authoritySpellings)
        row(name, QString::fromLatin1(url), show, privateFolder, true);
    const QStringList site{QStringLiteral("http://kiosk.example/private/")};
    row("default port written", "http://kiosk.example:80/private/x", none, site, true);
    row("default port of https", "https://kiosk.example:443/p/x", none,
        {QStringLiteral("https://kiosk.example/p/")}, true);
    row("final dot of the host", "http://kiosk.example./private/x", none, site, true);
    row("host in percent-encoding", "http://%6Biosk.example/private/x", none, site, true);
    row("host in full-width letters", QString::fromUtf8("http://ｋiosk.example/private/x"), none,
        site, true);
    row("prefix spelled oddly too", "http://kiosk.example/private/x", none,
        {QStringLiteral("HTTP://Kiosk.Example:0080//private/./")}, true);

    // What must stay allowed.
    row("another folder", base + "/show/public/x.html", show, privateFolder, false);
    row("name that only begins the same", base + "/show/private-notes.html", show, privateFolder,
        false);
    row("dot-dot that stays inside", base + "/show/a/b/../c.html", show, privateFolder, false);
    row("encoded question mark stays a name", base + "/show/a%3Fprivate/", show, privateFolder,
        false);
    row("excluded text in the query", base + "/show/x?next=/show/private/", show, privateFolder,
        false);
    row("excluded text in the fragment", base + "/show/x#/private/", show, privateFolder, false);
    row("web letters in any case", "http://kiosk.example/show/x", {"http://Kiosk.Example/Show/"},
        none, false);
    row("included, no lists", "http://other.example/", none, none, false);
    row("outside the include list", "http://other.example/", show, none, true);
    row("included folder is a folder", base + "/shows/x", show, none, true);
    row("dot-dot out of the included folder", base + "/show/../admin/", show, none, true);
    row("encoded dot-dot out of the included folder", base + "/show/%2e%2e/admin/", show, none,
        true);

    // An include prefix that names a host admits that host alone, on any port unless it names
    // one.
    const QStringList host{QStringLiteral("http://kiosk.example")};
    row("host prefix: the host", "http://kiosk.example/a", host, none, false);
    row("host prefix: another port", "http://kiosk.example:8080/a", host, none, false);
    row("host prefix: a longer host", "http://kiosk.example.evil.example/", host, none, true);
    row("host prefix: the host as a user name", "http://kiosk.example@evil.example/", host, none,
        true);
    row("host and port prefix: that port", "http://kiosk.example:8080/a",
        {"http://kiosk.example:8080"}, none, false);
    row("host and port prefix: a longer port", "http://kiosk.example:80801/a",
        {"http://kiosk.example:8080"}, none, true);
    // An exclude prefix may end anywhere.
    row("partial host excluded", "http://ads.example/", none, {"HTTP://ADS."}, true);
    row("partial host does not match a path", "http://x.example/ads.", none, {"http://ads."},
        false);
    // An exclude prefix that ends in the host also forbids that host in any other spelling.
    const QStringList evil{QStringLiteral("http://evil.example.")};
    row("excluded host with its final dot", "http://evil.example/x", none, evil, true);
    row("excluded host with its final dot, address too", "http://evil.example./x", none, evil,
        true);
    row("excluded host as a number", "http://127.0.0.1/x", none, {"http://2130706433"}, true);
    row("excluded international host", QString::fromUtf8("http://bücher.example/x"), none,
        {QString::fromUtf8("http://Bücher.example")}, true);
    row("excluded international host, address in ASCII", "http://xn--bcher-kva.example/x", none,
        {QString::fromUtf8("http://bücher.example")}, true);
    row("excluded host and port, port spelled oddly", "http://evil.example:8080/x", none,
        {"http://evil.example:08080"}, true);
    row("excluded host and port, final dot", "http://evil.example:8080/x", none,
        {"http://evil.example.:8080"}, true);
    row("short host with a final dot", "http://127.1./private/x", none,
        {"http://127.0.0.1/private/"}, true);
    // Escapes that would make another address of a host a server refuses stay escapes.
    row("escaped slash in a refused host", "http://kiosk.example%3A80%2Fshow%2F/x",
        {"http://kiosk.example/show/"}, none, true);

    // Schemes that show no page, with or without lists.
    const char* const schemes[][2] = {
        {"javascript", "javascript:alert(1)"},
        {"javascript in capitals", "JavaScript:alert(1)"},
        {"javascript after blanks", " \x01javascript:alert(1)"},
        {"javascript cut by a tab", "java\tscript:alert(1)"},
        {"javascript cut by a line break", "java\nscript:alert(1)"},
        {"vbscript", "vbscript:msgbox(1)"},
        {"data", "data:text/html,<script>alert(1)</script>"},
        {"view-source", "view-source:http://127.0.0.1/"},
        {"engine pages", "chrome://gpu"},
        {"engine pages through about", "about:version"},
        {"blob", "blob:http://127.0.0.1/0a1b"},
        {"filesystem", "filesystem:http://127.0.0.1/temporary/x"},
        {"mail", "mailto:someone@example.com"},
        {"ftp", "ftp://127.0.0.1/"},
        {"web socket", "ws://127.0.0.1/"},
    };
    for (const auto& [name, url] : schemes)
        row(name, QString::fromLatin1(url), none, none, true);
    row("about:blank", "about:blank", none, none, false);
    row("about:srcdoc", "about:srcdoc", none, none, false);
    row("https", "https://x.example/", none, none, false);
    row("relative", "page.html", none, none, false);

    // Local files: Linux paths compare with regard to case, Windows drive paths without.
    const QStringList kiosk{QStringLiteral("/srv/kiosk/")};
    row("path included", "/srv/kiosk/a.html", kiosk, none, false);
    row("path in other letters", "/srv/KIOSK/a.html", kiosk, none, true);
    row("file address included", "file:///srv/kiosk/a.html", kiosk, none, false);
    row("file address of localhost", "file://localhost/srv/kiosk/a.html", kiosk, none, false);
    row("file address encoded", "file:///srv/%6Biosk/a%20b.html", kiosk, none, false);
    row("file address in other letters", "file:///srv/KIOSK/a.html", kiosk, none, true);
    row("doubled slash in a path", "/srv//kiosk/a.html", kiosk, none, false);
    row("path out by dot-dot", "/srv/kiosk/../secret.txt", kiosk, none, true);
    row("file address out by encoded slashes", "file:///srv/kiosk%2F..%2Fsecret.txt", kiosk, none,
        true);
    row("file address without slashes", "file:etc/passwd", none, {"/etc/"}, true);
    row("prefix as a file address", "/srv/kiosk/a.html", {"file:///srv/kiosk/"}, none, false);
    row("drive path in any case", "c:\\pages\\index.html", {"C:\\Pages\\"}, none, false);
    row("drive path excluded", "C:/pages/private/x.html", {"C:\\Pages\\"}, {"C:\\Pages\\Private\\"},
        true);

    // The program's own local pages pass the include list, not the exclude list.
    row("built-in page", kResource + "/index.html", show, none, false);
    row("built-in page as a file address", "file://" + kResource + "/index.html", show, none,
        false);
    row("built-in page excluded", kResource + "/documentation.html", show, {kResource + "/doc"},
        true);
    row("out of the built-in folder", kResource + "/../secret/x.html", show, none, true);
    row("folder whose name begins the same", "/res/GpaneOther/x.html", show, none, true);
    row("built-in folder in other letters", "/res/gpane/index.html", show, none, true);
    row("cached copy", kCache + "/" + kCopy + ".html", show, none, false);
    row("cached copy excluded", kCache + "/" + kCopy + ".html", show, {"/home/k/.cache/"}, true);
    row("other file of the cache", kCache + "/notes.html", show, none, true);
    row("copy name below the cache", kCache + "/sub/" + kCopy + ".html", show, none, true);

    row("viewable form of a cached copy", kCache + "/" + kCopy + ".tmp.html", show, none, false);

    // Files on a network share, however written, meet the same prefixes.
    const QStringList share{QStringLiteral("\\\\Srv\\Pub\\kiosk\\")};
    const QString mount = QStringLiteral("/run/user/1000/gvfs/smb-share:server=srv,share=pub");
    row("share path", "\\\\srv\\pub\\kiosk\\a.html", share, none, false);
    row("share address", "smb://SRV/pub/kiosk/a.html", share, none, false);
    row("share's mount folder", mount + "/kiosk/a.html", share, none, false);
    row("share's mount folder outside", mount + "/other/a.html", share, none, true);
    row("share's mount folder out by dot-dot", mount + "/kiosk/../x.html", share, none, true);
    row("local folder of the same name", "/srv/pub/kiosk/a.html", share, none, true);
    row("share excluded by its address", mount + "/kiosk/a.html", none, {"smb://srv/pub/kiosk/"},
        true);

    row("empty include entries still restrict", "http://x/", {""}, {""}, true);
}

void RestrictionTest::isRestricted()
{
    QFETCH(QString, url);
    QFETCH(QStringList, include);
    QFETCH(QStringList, exclude);
    QFETCH(bool, restricted);
    QCOMPARE(IsRestricted(url, include, exclude, LocalPages{kResource, kCache}), restricted);
}

void RestrictionTest::canonicalForm_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("web") << "HTTP://Visitor@Example.COM.:0080//a/./b/../%7Ec%2fd%3f?Q=%41#F"
                         << "http://example.com:80/a/~c/d%3f?q=a#f";
    QTest::newRow("web, no path") << "https://x.example"
                                  << "https://x.example:443/";
    QTest::newRow("web, international host")
        << QString::fromUtf8("http://bücher.example/é") << "http://xn--bcher-kva.example:80/%c3%a9";
    QTest::newRow("path keeps its letters") << "/Srv//Kiosk/./A.html"
                                            << "/Srv/Kiosk/A.html";
    QTest::newRow("file address") << "file:///Srv/a%20b/"
                                  << "/Srv/a b/";
    QTest::newRow("file address of a drive") << "file:///C|/Pages/x"
                                             << "c:/pages/x";
    QTest::newRow("share") << "\\\\Srv\\Pub\\A\\..\\B.html"
                           << "smb://srv/pub/B.html";
    QTest::newRow("share's mount folder")
        << "/run/user/1000/gvfs/smb-share:server=Srv,share=Pub/A.html"
        << "smb://srv/pub/A.html";
    // Escapes that a decoded character completes are decoded in turn, as the server will.
    QTest::newRow("escape completed by an escape") << "http://o//%3%30h/%%34%31/%%32F"
                                                   << "http://o:80/0h/a/";
    QTest::newRow("script") << "JavaScript:Alert(1)"
                            << "javascript:alert(1)";
}

void RestrictionTest::canonicalForm()
{
    QFETCH(QString, address);
    QFETCH(QString, canonical);
    QCOMPARE(CanonicalForm(address).text, canonical);
}

QTEST_GUILESS_MAIN(RestrictionTest)
#include "restriction_test.moc"
