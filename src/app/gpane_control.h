#pragma once

#include "platform/control_message.h"

#include <QStringList>

class QTextStream;

namespace glasspane {

// Exit codes of the commands that talk to the running show.
namespace ControlExit {
constexpr int Done = 0;
constexpr int Refused = 1; // the show said no, or did not answer in time
constexpr int Usage = 2;
constexpr int NoShow = 3; // no show runs for this user
} // namespace ControlExit

// Sends request to this user's running show (over its socket in the private runtime folder)
// and prints its answer: the message and lines on out, a refusal on err. An answer "busy" (the
// show is between two pages, or starting) is asked again for up to BusyRetryMs.
int SendToShow(const ControlRequest& request, QTextStream& out, QTextStream& err);
inline constexpr int BusyRetryMs = 3000;

// "gpane status" (document, state, page, address, since, last load, screen, pid, memory), and
// "gpane next|previous|pause|play|reload": command is the word, arguments those after it (none
// are taken).
int RunShowCommand(const char* command, const QStringList& arguments, QTextStream& out,
                   QTextStream& err);
// "gpane open DOCUMENT": a path (made absolute from the current folder) or an address.
int RunOpen(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
