#pragma once

#include "engine/frontend.h"

#include <QString>
#include <functional>

namespace glasspane {

// The configuration password: scrambled one way, compared only in scrambled form, never kept
// in clear.

// The one-way scrambling of a password. Each character's code (its Windows-1252 code, so that
// passwords stored by earlier versions still match; a character that code page lacks counts as
// the bytes of its UTF-8 form) plus 7 is XORed into a running value; each output character is
// the running value's low byte, raised by 41 when below 32, as a Windows-1252 character.
// Printable ASCII never pushes the running value beyond a byte. "abc" gives "h*k"; the output
// has one character per code, so as many as the input for Windows-1252 text.
QString ScramblePassword(const QString& text);

// The most characters a password box accepts.
inline constexpr int kMaxPasswordLength = 32;

// The outcome of OK in the password dialog.
enum class PasswordCheck {
    Accepted,
    Incorrect,          // enter mode: the password does not match
    OldPasswordWrong,   // change mode: the old password does not match
    PasswordsDifferent, // change mode: the two new passwords differ
};

// The message of a refused attempt (stop icon, the product name as title); "" for Accepted.
QString PasswordCheckMessage(PasswordCheck check);

// Enter mode: a match unlocks (unlockedPassword := storedPassword).
PasswordCheck EnterPassword(PasswordLock& lock, const QString& typed);

// Change mode: the old password must match (an empty one matches when none is stored), then
// the two new ones must be equal. On success the new scrambled password is stored and
// unlocked, and handed to store (written at once as the Password setting; its result does not
// change the outcome: a failed write leaves the password in force for this run). Leaving both
// new boxes empty removes the password.
PasswordCheck ChangePassword(PasswordLock& lock, const QString& oldPassword,
                             const QString& newPassword, const QString& confirmation,
                             const std::function<void(const QString& scrambled)>& store);

} // namespace glasspane
