#pragma once

#include "config/model/program_options.h"
#include "document/document.h"
#include "document/settings.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <limits>
#include <optional>

namespace glasspane {

struct ExpansionContext;
struct SaverState;
struct UpdateState;

// ---- Numbers typed into the dialog's boxes ------------------------------------------------------

// The whole number a box holds when its options are kept: the text as a number in the user's
// locale (or the C locale), fractions rounded to the nearest whole number, halves to even.
// Empty if it is no number or too large.
std::optional<qint32> WholeNumber(const QString& text);
// WholeNumber, or fallback.
qint32 NumberBoxValue(const QString& text, qint32 fallback);
// The number at the start of a text as the user types it ("75 min" gives 75, "7.6" gives 8),
// 0 when the text does not begin with one.
qint32 LeadingNumber(const QString& text);

// What a number box of the dialogs accepts, and how its message names it.
struct NumberBoxRule
{
    QString name;     // "Default display time"
    QString expected; // "a whole number of seconds, 0 or more"
    qint32 minimum = 0;
    qint32 maximum = std::numeric_limits<qint32>::max();
    // 0 keeps each page on screen for good: said whenever the box holds no number, so that
    // nobody gets it from a slip of the keyboard.
    bool zeroMeansNoAdvance = false;
};

namespace NumberBoxes {
NumberBoxRule displayTime(const QString& name);
NumberBoxRule minutes(const QString& name);
NumberBoxRule hours(const QString& name);
NumberBoxRule minutesOfHour(const QString& name);
// A bound of a value range: any whole number, negative ones too.
NumberBoxRule bound(const QString& name);
} // namespace NumberBoxes

// Why the text of a box is refused (nothing, letters, a negative number, out of range), or
// empty when it holds a number the box accepts (a fraction counts as its nearest whole number,
// as WholeNumber reads it).
[[nodiscard]] std::optional<QString> NumberBoxProblem(const NumberBoxRule& rule,
                                                      const QString& text);

// The spinners beside the number boxes: a vertical scroll bar whose value runs opposite to the
// number, so that its up arrow increases it. number = offset - value.
struct SpinnerRule
{
    int minimum = 1;
    int maximum = 60;
    int offset = 61;
    // A change of the box clamps its number to this range before the spinner follows; without
    // a clamp (display time) the spinner only follows numbers inside its range.
    bool clamps = true;
    int clampLow = 1;
    int clampHigh = 60;
    // The hour and minute boxes do not move their spinner when typed into.
    bool followsBox = true;

    int numberAt(int value) const { return offset - value; }
    // The spinner value that shows number; empty when it lies outside the spinner's range
    // (the spinner then stays where it is).
    std::optional<int> valueFor(qint64 number) const;
    // What a change of the box sets the spinner to; empty: the spinner stays.
    std::optional<int> valueForText(const QString& text) const;
};

namespace Spinners {
// Screen-save delay, maximum update time and delay: 1 to 60 minutes.
inline constexpr SpinnerRule Minutes{1, 60, 61, true, 1, 60, true};
// Display time: 0 to 999 seconds.
inline constexpr SpinnerRule DisplayTime{1, 1000, 1000, false, 0, 0, true};
inline constexpr SpinnerRule Hours{1, 24, 24, false, 0, 0, false};
inline constexpr SpinnerRule MinutesOfHour{1, 60, 60, false, 0, 0, false};
} // namespace Spinners

// The hours and minutes of a stored "H:M" update time: split at the first ':', a value without
// one being hours; hours taken modulo 24 and minutes modulo 60. "7" gives 7 and 0, "25:61" 1
// and 1.
struct HourMinute
{
    int hours = 0;
    int minutes = 0;
};
HourMinute SplitUpdateTime(const QString& text);

// The e-mail syntax check: in this order, though not necessarily adjacent, a letter or digit,
// "@", a letter or digit, "." and a letter or digit; other characters are skipped.
bool IsValidEMail(const QString& text);

// ---- The dialog's values
// -------------------------------------------------------------------------

// Everything the configuration dialog shows and edits, as its controls hold it: number boxes
// as the text typed, option groups as the selected index.
struct ConfigForm
{
    // General
    QString HomePage;
    bool AutoHome = false;
    bool Splash = false;
    bool ScreenSaveActive = true;
    QString ScreenSaveTimeOut; // minutes
    int MouseMove = 0;         // 0 nothing, 1 navigation mode, 2 quit
    QString DefaultTime;       // seconds
    bool AutoLoop = true;
    bool FirstPageIsLastPage = true;
    bool TestURLIsHomePage = false; // also on the Update tab
    // Layout
    bool Random = false;
    bool FullScreen = true;
    bool TopMost = false;
    int NewWindow = 0;
    int RemoveVertScroll = 0;
    // Default
    bool MachineScope = true; // "Local machine (all users)", else "Current user"
    bool DefaultSS = false;
    bool DefaultFile = false;
    bool DefaultProgram = false;
    QString DefaultSSText;
    QString DefaultFileText;
    QString DefaultProgramText;
    // Tool bars
    bool ToolRunLocked = false;
    bool ToolNavLocked = false;
    // Reboot
    bool Reboot = false;
    QString RebootTimeH;
    QString RebootTimeM;
    bool ForceReboot = false;
    bool AutoLogin = false;
    QString UserName;
    QString Domain;
    // Update
    int UpdateScheme = 0;
    QString UpdateTimeH;
    QString UpdateTimeM;
    QString UpdateDelay; // minutes
    QString MaxTime;     // minutes
    bool ForceReconnect = false;
    QString TestURL;
    // Help
    bool HelpEnabled = true;
    QString HelpURL;
    // About
    QString EMail;
    bool Private = false;
};

// The dialog's working copies of the document's lists. Pages, include and exclude are indexed
// from 0 here (the list box index); the tool bar lists hold the buttons in bar order.
struct WorkingLists
{
    QVector<PageEntry> pages;
    QStringList include;
    QStringList exclude;
    QVector<ToolButton> toolRun;
    QVector<ToolButton> toolNav;
    bool toolNavUrlVisible = true; // the address box that follows the navigation bar's buttons
};

// Where the set-up reads from and OK writes to.
struct ConfigServices
{
    DocumentServices& documents; // settings, program values, registry, shell, clock
    DocumentState& doc;
    ProgramOptions& options;
    UpdateState& update;
    SaverState& saver;
};

// The set-up: the form from the options, the document and the system.
ConfigForm LoadConfigForm(ConfigServices& services);
// The working lists from the document: copies of the lists, the buttons of each bar sorted by
// their position (stable).
WorkingLists LoadWorkingLists(const DocumentState& doc);

// The index of the entry to select after the page list is filled: the first whose address is
// the page on screen (isCurrentPage), else the first; -1 for an empty list.
int InitialPageSelection(const QVector<PageEntry>& pages,
                         const std::function<bool(const QString&)>& isCurrentPage);

// The texts of the Default tab.
QString ScreenSaverLabel(bool isSystemSaver, const QString& scrnsaveExe);
QString DefaultFileLabel(const QString& defaultDocumentPath);
QString AssociationLabel(const QString& openCommand);
// The status line of the screen-saver tool bar on the Tool Run tab for a mouse policy.
QString ToolRunStatusText(int mouseMove);

// What keeping the form does beyond the options and the document, done by the window side.
struct ConfigKeepHooks
{
    // The main window's position and size in twips (when it is not full screen), stored as the
    // window placement before the state changes.
    std::function<void()> storeWindowRect;
    // Full screen or the stored rectangle, applied at once, with TopMost
    // and the frame style.
    std::function<void(MainWindowState windowState, bool topMost)> applyWindowState;
    // The play list was rebuilt: the random order follows it.
    std::function<void()> playListRebuilt;
    // The document's buttons changed: both tool bars are rebuilt.
    std::function<void()> rebuildToolBars;
};

// P_ConfigKeep: copies the form and the working lists into the options, the document and the
// settings, in this order:
// 1. the parameters go to the document (ParamsLocation "1" written to the current RegKeyRoot
//    at once), then RegKeyRoot from the scope option, with RegKey written there at once;
// 2. the default-document flag (DefaultFile written at once for a file or web document);
// 3. the screen-saver choice, the association, then every value of the General, Layout,
//    Reboot, Update and Help tabs; number boxes that hold no number take their defaults;
// 4. the e-mail fields (KeepEMail);
// 5. the page list without empty addresses, expanded into the play list;
// 6. the exclude and include lists without empty entries;
// 7. the buttons of both bars, positioned in list order (the document keeps them in the
//    order of their kinds, which the show looks them up by), the address box and the bar
//    locks.
// Writes that fail are named in failed.
void P_ConfigKeep(ConfigServices& services, const ConfigForm& form, const WorkingLists& lists,
                  const ExpansionContext& expansion, const ConfigKeepHooks& hooks,
                  QStringList& failed);

// The e-mail part of P_ConfigKeep: a changed address is kept (trimmed) and counts as not yet
// registered.
void KeepEMail(ProgramOptions& options, const ConfigForm& form);

// A new page entry as Insert and Grab make it: empty address, the document's default time,
// no variable, not cached, in a separate process.
PageEntry NewPageEntry(qint32 defaultTime);

} // namespace glasspane
