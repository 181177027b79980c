#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace glasspane {

// The user's XScreenSaver preferences (~/.xscreensaver), as far as the choice of the screen
// saver goes: "mode" (one: always the selected hack), "selected" (its index in the list,
// counting from 0) and "programs", the list of hacks. The list is one value continued over
// many lines: each line ends with a backslash, and the entries are separated by the two
// characters "\n", so each entry line ends with those and the backslash:
//
//   programs:  (backslash)
//     "Glasspane"   /usr/bin/glasspane -root   \n(backslash)
//   -  GL:          superquadrics -root        \n(backslash)
//
// An entry may begin with '-' (left out of random choices), a visual ("GL:") and a name in
// double quotes before its command, which XScreenSaver runs through /bin/sh.
struct XScreenSaverHack
{
    QString text; // the entry as written, without the surrounding blanks
    bool enabled = true;
    QString command;
};

struct XScreenSaverChoice
{
    QString mode;      // "" when the file does not say
    int selected = -1; // -1 when the file does not say
    QList<XScreenSaverHack> hacks;
    bool hasPrograms = false; // the file has its own list (else XScreenSaver's defaults apply)

    static XScreenSaverChoice parse(const QByteArray& file);
    // The command of the hack XScreenSaver shows: the selected one in mode "one"; empty in any
    // other mode, or when the selection lies outside the list.
    QString selectedCommand() const;
};

// The first word of a hack's command as the shell reads it (quotes removed).
QString HackProgram(const QString& command);

// The switch that asks a hack to draw on XScreenSaver's window, as the installed version
// expects it: "--root" from version 6 on, "-root" before, read from the version its
// app-defaults file names ("version 6.05" in its header); "--root" when that says nothing.
QString RootSwitch(const QByteArray& defaults);

// The file with `program --root` (RootSwitch) as the one selected hack (mode "one"): the
// entry that already runs a program of that file name gets the new command and is enabled;
// otherwise one is added at the end of the list. Every other line, entry and setting is kept as
// written. A file without a list of its own starts from XScreenSaver's (defaults: the content
// of its app-defaults file, which may be empty).
QByteArray SelectHack(const QByteArray& file, const QString& program,
                      const QByteArray& defaults = QByteArray());

} // namespace glasspane
