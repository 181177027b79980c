#pragma once

#include "engine/frontend.h"

#include <QString>
#include <functional>

namespace glasspane {

// The configuration password. It is stored as a salted, slow hash (Argon2id, libsodium's
// crypto_pwhash_str), never in clear and never in a form that gives it back: the stored text
// has the same length whatever the password, and two stores of one password differ. Earlier
// versions stored a reversible scramble (ScramblePassword); such a value is still accepted,
// and replaced by the hash as soon as the password has been typed right.

// The stored form of a password; "" for the empty password, which is no password at all.
// "" also when the hash cannot be made (no memory for it): then nothing is stored.
QString HashPassword(const QString& password);
// Whether typed is the password that stored holds (a hash, or the scramble of earlier
// versions). An empty stored value matches the empty text only.
bool PasswordMatches(const QString& stored, const QString& typed);
// A stored value in the scrambled form of earlier versions.
bool IsScrambledPassword(const QString& stored);

// The scrambling of earlier versions, kept to recognise their stored values. Each character's
// code (its Windows-1252 code; a character that code page lacks counts as the bytes of its
// UTF-8 form) plus 7 is XORed into a running value; each output character is the running
// value's low byte, raised by 41 when below 32, as a Windows-1252 character. "abc" gives "h*k".
QString ScramblePassword(const QString& text);

// The most characters a password box accepts.
inline constexpr int kMaxPasswordLength = 32;

// The outcome of OK in the password dialog.
enum class PasswordCheck {
    Accepted,
    Incorrect,          // enter mode: the password does not match
    OldPasswordWrong,   // change mode: the old password does not match
    PasswordsDifferent, // change mode: the two new passwords differ
    NotStored,          // change mode: the new password could not be written
};

// The message of a refused attempt (stop icon, the product name as title); "" for Accepted.
QString PasswordCheckMessage(PasswordCheck check);

// Writes the stored form of a password (the Password setting) at once; false when it could
// not be written.
using PasswordStore = std::function<bool(const QString& stored)>;

// Enter mode: a match unlocks (unlockedPassword := storedPassword). A match of a value in the
// scrambled form replaces it with the hash, in the lock and through store (a failed write
// leaves the old form on disk, still accepted next time).
PasswordCheck EnterPassword(PasswordLock& lock, const QString& typed,
                            const PasswordStore& store = {});

// Change mode: the old password must match (an empty one matches when none is stored), then
// the two new ones must be equal; then the new password's hash is written through store. Only
// once it is written is it in force (stored and unlocked): a write that fails leaves the old
// password in force and answers NotStored. Leaving both new boxes empty removes the password.
PasswordCheck ChangePassword(PasswordLock& lock, const QString& oldPassword,
                             const QString& newPassword, const QString& confirmation,
                             const PasswordStore& store);

} // namespace glasspane
