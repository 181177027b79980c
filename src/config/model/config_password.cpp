#include "config/model/config_password.h"

#include "document/text.h"

namespace glasspane {

namespace {

// The codes one character contributes.
QByteArray codesOf(const QString& character)
{
    QByteArray codes;
    if (EncodeWindows1252(character, codes))
        return codes;
    return character.toUtf8();
}

} // namespace

QString ScramblePassword(const QString& text)
{
    QByteArray out;
    unsigned running = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character.
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        for (const char byte : codesOf(text.mid(i, length))) {
            running ^= unsigned(quint8(byte)) + 7;
            unsigned code = running & 0xFF;
            if (code < 32)
                code += 41;
            out.append(char(code));
        }
        i += length - 1;
    }
    return DecodeWindows1252(out);
}

QString PasswordCheckMessage(PasswordCheck check)
{
    const QString failed = QStringLiteral("Change password failed:\r\n");
    switch (check) {
    case PasswordCheck::Accepted:
        return QString();
    case PasswordCheck::Incorrect:
        return QStringLiteral("Incorrect password !");
    case PasswordCheck::OldPasswordWrong:
        return failed + QStringLiteral("Old password is incorrect !");
    case PasswordCheck::PasswordsDifferent:
        return failed + QStringLiteral("Passwords are different !");
    }
    return QString();
}

PasswordCheck EnterPassword(PasswordLock& lock, const QString& typed)
{
    if (ScramblePassword(typed) != lock.storedPassword)
        return PasswordCheck::Incorrect;
    lock.unlockedPassword = lock.storedPassword;
    return PasswordCheck::Accepted;
}

PasswordCheck ChangePassword(PasswordLock& lock, const QString& oldPassword,
                             const QString& newPassword, const QString& confirmation,
                             const std::function<void(const QString& scrambled)>& store)
{
    if (ScramblePassword(oldPassword) != lock.storedPassword)
        return PasswordCheck::OldPasswordWrong;
    if (newPassword != confirmation)
        return PasswordCheck::PasswordsDifferent;
    lock.storedPassword = ScramblePassword(newPassword);
    lock.unlockedPassword = lock.storedPassword;
    if (store)
        store(lock.storedPassword);
    return PasswordCheck::Accepted;
}

} // namespace glasspane
