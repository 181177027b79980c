#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace glasspane {

// What a later copy of the program or gpane asks the running show over its local socket: one
// line, "COMMAND" or "COMMAND ARGUMENT", the argument percent-encoded (a path may hold any
// character, line breaks included).
struct ControlRequest
{
    QString command;
    QString argument;

    QByteArray encode() const;
    // Empty when the line is no request (no command, or a command that is not one plain word).
    static std::optional<ControlRequest> decode(const QByteArray& line);
};

// The running show's answer: a first line "ok", "ok: MESSAGE", "error: MESSAGE" or
// "busy: MESSAGE" (the show cannot do it this moment: asking again shortly may work), then the
// further lines of the answer ("key: value" for the status). The connection ends after it.
struct ControlAnswer
{
    enum class Kind { Ok, Error, Busy };
    Kind kind = Kind::Ok;
    QString message;
    QStringList lines;

    static ControlAnswer ok(const QString& message = QString(), const QStringList& lines = {});
    static ControlAnswer error(const QString& message);
    static ControlAnswer busy(const QString& message);

    // Line breaks inside the message and the lines become blanks.
    QByteArray encode() const;
    // An answer that does not begin with a known first line is an error that says so.
    static ControlAnswer decode(const QByteArray& bytes);
};

// Longest request line the show reads; a longer one is dropped unanswered.
inline constexpr int kMaxControlRequest = 16 * 1024;

} // namespace glasspane
