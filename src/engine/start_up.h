#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

class Shell;
class System;
struct ProgramValues;

// What the command line asks for.
enum class RunMode {
    Presentation,   // empty command line: the show on the default document
    ScreenSaver,    // "/S", or a screen-saver host's "-root" or "-window-id ID"
    Preview,        // "/P handle": the preview inside another window
    PasswordChange, // "/A handle": the screen-saver password change, which Linux does not have
    Configure,      // "/C", "/C:handle", "-C" or "CONFIG": the configuration dialog only
    Document,       // anything else: the show of the named document
};

struct StartupRequest
{
    RunMode mode = RunMode::Presentation;
    // The window handle after /P, /A or -window-id (an X11 window id); 0 when absent or
    // unreadable.
    qint32 previewParent = 0;
    // Document mode only: the path as given, without its quotes.
    QString documentPath;
    // The show restarts after inactivity whatever the settings say (started as screen saver).
    bool forceSaverRestart = false;
    // Started by a screen-saver host (--root, --window-id): to be shown in its X11 window.
    bool fromHost = false;
};

// The switch of a command line: its first word upper-cased when that word is "/S", "/P", "/C",
// "/A" or "-C", alone or followed by ':' and more ("/P:123"); otherwise "". A longer word such
// as "/srv/show.gpn" is a path, not a switch. The words a screen-saver host (XScreenSaver)
// starts its programs with are "/S": "-root" or "--root", "-window-id" or "--window-id" (the
// window's id the next word, or after '=': "--window-id=0x2a00007"), in any letter case.
QString CommandLineSwitch(const QString& commandLine);

// A word of glasspane's command line that looks like an option but is none: a first word
// beginning with '-' that is no switch ("-h"), or any later word beginning with "--" other
// than --help and --version; "" when there is none. A first word "--" ends the options: it is
// taken out and the rest stands as it is.
QString UnknownOption(QStringList& arguments);

// The window a screen-saver host asks its program to show in: the number in
// XSCREENSAVER_WINDOW (decimal or 0x hexadecimal); 0 when unset or unreadable.
quint32 SaverWindowFromEnvironment(const QString& value);

// Decides the run mode from the command line (the text after the program's name, as one
// string, the way ParseArguments builds it):
// - the line is trimmed; an empty line is the presentation;
// - CONFIG (the whole line, any case) is configuration;
// - the handle after /P, /A and -window-id is the second blank-separated word (for
//   "--window-id=ID", the text after '='), decimal or 0x hexadecimal; "/P:123" has no second
//   word and so handle 0;
// - anything else names a document: a line that begins with a double quote names the text up
//   to the closing quote; otherwise the whole line is the path, blanks included.
StartupRequest ParseCommandLine(const QString& commandLine);

// The arguments of a program (without the program's name) as one command line: joined by
// single blanks, each word holding white space of any kind (or empty) put in double quotes, so
// that the grammar, which trims the line, gives a document's name back whole.
QString JoinArguments(const QStringList& arguments);

// Fills the values fixed at start-up: product text, folders, program path and name.
void InitProgramValues(ProgramValues& values, System& system, Shell& shell);

// "Glasspane 4.35".
QString ProductNameAndVersion();
// The command-line usage printed by --help.
QString CommandLineUsage();

} // namespace glasspane
