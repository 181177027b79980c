#include "config/model/config_password.h"

#include "document/text.h"
#include "platform/log.h"

#include <sodium.h>

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

constexpr QLatin1String kHashPrefix("$argon2");

bool sodiumReady()
{
    // Safe to call again and from any thread; -1 only when the library cannot work at all.
    return sodium_init() >= 0;
}

} // namespace

QString HashPassword(const QString& password)
{
    if (password.isEmpty() || !sodiumReady())
        return QString();
    const QByteArray clear = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    // The cost of an interactive log-in: a fraction of a second and 64 MiB per try, which
    // makes guessing from a copy of the stored value slow.
    if (crypto_pwhash_str(hash, clear.constData(), quint64(clear.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        qCWarning(lcGlasspane, "the password's hash cannot be made (out of memory)");
        return QString();
    }
    return QString::fromLatin1(hash);
}

bool IsScrambledPassword(const QString& stored)
{
    return !stored.isEmpty() && !stored.startsWith(kHashPrefix);
}

bool PasswordMatches(const QString& stored, const QString& typed)
{
    if (stored.isEmpty())
        return typed.isEmpty();
    if (IsScrambledPassword(stored))
        return ScramblePassword(typed) == stored;
    if (!sodiumReady())
        return false;
    const QByteArray hash = stored.toLatin1();
    const QByteArray clear = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), clear.constData(), quint64(clear.size())) ==
           0;
}

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
    case PasswordCheck::NotStored:
        return failed + QStringLiteral("The new password cannot be stored: the settings file "
                                       "cannot be written. The old password stays in force.");
    }
    return QString();
}

PasswordCheck EnterPassword(PasswordLock& lock, const QString& typed, const PasswordStore& store)
{
    if (!PasswordMatches(lock.storedPassword, typed))
        return PasswordCheck::Incorrect;
    if (IsScrambledPassword(lock.storedPassword)) {
        const QString hash = HashPassword(typed);
        if (!hash.isEmpty()) {
            lock.storedPassword = hash;
            if (!store || !store(hash))
                qCWarning(lcGlasspane, "the configuration password is still stored in the "
                                       "old, reversible form: its new form cannot be written");
        }
    }
    lock.unlockedPassword = lock.storedPassword;
    return PasswordCheck::Accepted;
}

PasswordCheck ChangePassword(PasswordLock& lock, const QString& oldPassword,
                             const QString& newPassword, const QString& confirmation,
                             const PasswordStore& store)
{
    if (!PasswordMatches(lock.storedPassword, oldPassword))
        return PasswordCheck::OldPasswordWrong;
    if (newPassword != confirmation)
        return PasswordCheck::PasswordsDifferent;
    const QString hash = HashPassword(newPassword);
    if ((!newPassword.isEmpty() && hash.isEmpty()) || !store || !store(hash))
        return PasswordCheck::NotStored;
    lock.storedPassword = hash;
    lock.unlockedPassword = hash;
    return PasswordCheck::Accepted;
}

} // namespace glasspane
