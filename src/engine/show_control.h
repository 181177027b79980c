#pragma once

#include "platform/control_message.h"
#include "platform/display_power.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace glasspane {

class Engine;
struct DocumentState;
struct ProgramValues;

// How long "open" waits for a web document before it answers: less than gpane waits for the
// answer, so that a refusal is heard rather than taken for a show that does not answer.
inline constexpr int kOpenFetchSeconds = 8;

// The memory the show takes: the program and the processes it started (the browser's).
struct MemoryUse
{
    qint64 programKb = -1; // resident; -1 when unknown
    qint64 helpersKb = 0;
    int helpers = 0;
};

// What the commands reach besides the engine. Any may be empty: its command then says it is
// not available.
struct ShowControlHooks
{
    // The engine, once the main window has made it (null before).
    std::function<Engine*()> engine;
    // Loads the page on screen again (the navigation bar's Reload).
    std::function<void()> reloadPage;
    // Why a document cannot be opened ("" when it can): it is no document, or a web document
    // did not arrive whole within kOpenFetchSeconds. Nothing is written for one refused.
    std::function<QString(const QString& document)> checkDocument;
    // Opens a document the way a .gpn link does. Called after the answer has gone: loading
    // may fetch it from the web first.
    std::function<void(const QString& document)> openDocument;
    // Brings the main window to the front.
    std::function<void()> raise;
    std::function<MemoryUse()> memory;
    // What the program knows of the screen: on, or blanked or locked by whom.
    std::function<ScreenState()> screen;
};

// The running show's answers to the administrators' commands (gpane): status, next, previous,
// pause, play, reload and open DOCUMENT. A command the show cannot carry out now says why
// instead of pretending: the configuration dialog is open, a visitor is browsing, the show is
// ending; "busy" while the show is between two pages, for a moment.
class ShowControl
{
public:
    // started: when the program started. saverRun: started as the screen saver.
    ShowControl(ShowControlHooks hooks, const ProgramValues& program, const DocumentState& document,
                QDateTime started, bool saverRun);

    ControlAnswer handle(const ControlRequest& request);
    // "key: value" lines: document, mode, state, page, address, since, last load, screen,
    // started, pid, memory.
    QStringList status() const;

    // The words of status' "state" line.
    static QString stateWord(const Engine& engine);

private:
    ControlAnswer step(const QString& command, Engine& engine);
    ControlAnswer open(const QString& document, Engine* engine);
    // Why the show cannot be steered now; empty when it can.
    std::optional<ControlAnswer> cannotSteer(const Engine* engine) const;

    ShowControlHooks m_hooks;
    const ProgramValues& m_program;
    const DocumentState& m_document;
    QDateTime m_started;
    bool m_saverRun;
};

} // namespace glasspane
