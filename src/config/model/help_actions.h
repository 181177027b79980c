#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace glasspane {

class Registry;
class Shell;
class System;

// A program and its arguments, started without a shell.
struct ProgramCommand
{
    QString program;
    QStringList arguments;
};

// The program and arguments that an open command written as one line ("C:\Browser\b.exe"
// -nohome "%1") gives for an address: words separated by blanks, a blank inside double quotes
// belonging to its word, one enclosing pair of quotes removed from each word; the word "%1"
// is left out and the address comes last. Empty when the line names no program.
std::optional<ProgramCommand> OpenCommandFor(const QString& commandLine, const QString& address);

// The browser for an address: the open command of the HTML file type in HKEY_CLASSES_ROOT
// (".htm", else ".html", then "<type>\shell\open\command"), when an administrator wrote one;
// otherwise the desktop's default program for text/html.
std::optional<ProgramCommand> DefaultBrowserCommand(Registry& registry, Shell& shell,
                                                    const QString& address);
// Starts that browser on the address. False when none is known or it did not start.
bool OpenInDefaultBrowser(Registry& registry, Shell& shell, System& system, const QString& address);

// Every character as "%" and two upper-case hex digits of its code in the Windows-1252 code
// page ("abc" gives "%61%62%63"); a character that code page does not hold gives the bytes of
// its UTF-8 form, so that nothing is lost.
QString PercentEncode(const QString& text);

// The address of the contact request to the maker's form-mail script: the site address (with
// or without its final '/') + "/cgi-local/formmail.pl?realname=" + the name + "&email=" + the
// address, both percent-encoded. Without a name, or when the user does not want to be
// written to, the name is "Unknown"; an e-mail address that is not valid, or withheld, is
// replaced by a placeholder at the maker's mail domain.
QString ContactRequestAddress(const QString& siteAddress, const QString& userName,
                              const QString& email, bool dontUseEMail);
// The placeholder address of ContactRequestAddress.
inline constexpr const char* kPlaceholderEMail = "unknown@glasspane.example";

} // namespace glasspane
