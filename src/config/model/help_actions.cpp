#include "config/model/help_actions.h"

#include "config/model/config_form.h"
#include "document/registry_layer.h"
#include "document/text.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace glasspane {

namespace {

// The words of a command line: blanks separate (a run of them like one), except inside double
// quotes; the quotes stay with their word.
QStringList commandWords(const QString& line)
{
    QStringList words;
    QString word;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"')
            quoted = !quoted;
        if (!quoted && (c == u' ' || c == u'\t')) {
            if (!word.isEmpty())
                words.append(word);
            word.clear();
            continue;
        }
        word += c;
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

} // namespace

std::optional<ProgramCommand> OpenCommandFor(const QString& commandLine, const QString& address)
{
    const QStringList words = commandWords(commandLine);
    if (words.isEmpty() || StripQuotes(words.first()).isEmpty())
        return std::nullopt;
    ProgramCommand command;
    command.program = StripQuotes(words.first());
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString argument = StripQuotes(words.at(i));
        if (argument != QLatin1String("%1"))
            command.arguments.append(argument);
    }
    command.arguments.append(address);
    return command;
}

std::optional<ProgramCommand> DefaultBrowserCommand(Registry& registry, Shell& shell,
                                                    const QString& address)
{
    RegistryLayer layer(registry);
    QString fileType = layer.RegRead(RegRoot::ClassesRoot, QStringLiteral(".htm"), QString());
    if (fileType.isEmpty())
        fileType = layer.RegRead(RegRoot::ClassesRoot, QStringLiteral(".html"), QString());
    if (!fileType.isEmpty()) {
        const QString line = layer.RegRead(
            RegRoot::ClassesRoot, fileType + QStringLiteral("\\shell\\open\\command"), QString());
        if (!line.isEmpty())
            return OpenCommandFor(line, address);
    }
    const QStringList desktop = shell.typeCommand(QStringLiteral("text/html"), address);
    if (desktop.isEmpty())
        return std::nullopt;
    return ProgramCommand{desktop.first(), desktop.mid(1)};
}

bool OpenInDefaultBrowser(Registry& registry, Shell& shell, System& system, const QString& address)
{
    const std::optional<ProgramCommand> command = DefaultBrowserCommand(registry, shell, address);
    return command && system.startProcess(command->program, command->arguments) != 0;
}

QString PercentEncode(const QString& text)
{
    QString encoded;
    encoded.reserve(text.size() * 3);
    auto addBytes = [&encoded](const QByteArray& bytes) {
        for (const char byte : bytes)
            encoded += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
    };
    // One character at a time: a surrogate pair is one character.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        QByteArray bytes;
        if (!EncodeWindows1252(character, bytes))
            bytes = character.toUtf8();
        addBytes(bytes);
        i += length - 1;
    }
    return encoded;
}

QString ContactRequestAddress(const QString& siteAddress, const QString& userName,
                              const QString& email, bool dontUseEMail)
{
    QString site = siteAddress;
    while (site.endsWith(u'/'))
        site.chop(1);
    const QString name =
        !dontUseEMail && !userName.isEmpty() ? PercentEncode(userName) : QStringLiteral("Unknown");
    const QString mail = !dontUseEMail && IsValidEMail(email)
                             ? email.trimmed()
                             : QString::fromLatin1(kPlaceholderEMail);
    return site + QStringLiteral("/cgi-local/formmail.pl?realname=") + name +
           QStringLiteral("&email=") + PercentEncode(mail);
}

} // namespace glasspane
