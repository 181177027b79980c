// The canonical form of addresses, which every include and exclude test goes through: any
// spelling of an address, its canonical text included, must meet the same test.

#include "document/restriction.h"
#include "fuzz_check.h"

#include <QUrl>
#include <algorithm>

using namespace glasspane;
using namespace glasspane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString address =
        textOf(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const LocalPages local{QStringLiteral("/run/user/1000/Gpane"),
                           QStringLiteral("/home/kiosk/.cache/glasspane")};

    const CanonicalAddress first = CanonicalForm(address);
    FUZZ_CHECK(SameAddress(address, address), show(address));

    // The canonical text is one more spelling of the same address (what is compared is the
    // text alone). Not so for a file address with a query, a fragment or an escape, which a
    // path does not have ("/a?b" and "/a%41" are files of those names), nor for addresses that
    // name nothing a browser would load: a share without a server or share name, a host
    // holding control characters (escaped in the address), a web address whose canonical text
    // is no valid address (a host or port of characters no host or port has).
    const bool fileQuery =
        first.kind == CanonicalAddress::Kind::File &&
        (first.text.contains(u'?') || first.text.contains(u'#') || first.text.contains(u'%'));
    const bool noShare =
        first.scheme == u"smb" && (first.text.startsWith(QLatin1String("smb:///")) ||
                                   first.text.section(u'/', 3, 3).isEmpty());
    const bool control = std::any_of(first.text.cbegin(), first.text.cend(),
                                     [](QChar c) { return c.unicode() < 0x20; }) ||
                         (first.kind == CanonicalAddress::Kind::Web &&
                          !QUrl(first.text, QUrl::StrictMode).isValid());
    if (first.kind != CanonicalAddress::Kind::Other && !fileQuery && !noShare && !control) {
        const CanonicalAddress again = CanonicalForm(first.text);
        FUZZ_EQUAL(again.text, first.text);
        // Excluding that spelling excludes the address.
        FUZZ_CHECK(IsRestricted(address, {}, {first.text}, local),
                   show(address) + QStringLiteral(" passes the exclude prefix ") +
                       show(first.text));
    }

    // An address is its own prefix: excluding it always forbids it, including it admits it
    // whenever a page may be shown from it at all. (An entry of a list that comes to nothing,
    // blank or made of characters that are ignored, is no prefix.)
    if (!address.trimmed().isEmpty() && !first.text.isEmpty()) {
        FUZZ_CHECK(IsRestricted(address, {}, {address}, local), show(address));
        FUZZ_EQUAL(IsRestricted(address, {address}, {}, local), !IsNavigableAddress(address));
    }
    return 0;
}
