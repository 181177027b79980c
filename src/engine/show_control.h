#pragma once

#include "platform/control_message.h"
#include "platform/display_power.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QObject>
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
    // Counts the top-level loads the browser has begun (a reload's included).
    std::function<quint64()> loadsStarted;
};

// The running show's answers to the administrators' commands (gpane): status, next, previous,
// pause, play, reload and open DOCUMENT. A command the show cannot carry out now says why
// instead of pretending: the configuration dialog is open, a visitor is browsing, the show is
// ending; "busy" while the show is between two pages, for a moment.
class ShowControl final : public QObject
{
    Q_OBJECT

public:
    using Reply = std::function<void(const ControlAnswer& answer)>;

    // started: when the program started. saverRun: started as the screen saver.
    ShowControl(ShowControlHooks hooks, const ProgramValues& program, const DocumentState& document,
                QDateTime started, bool saverRun);

    // The answer as the command is taken: accepted, refused, or busy.
    ControlAnswer handle(const ControlRequest& request);
    // The answer once the show has carried the command out: next, previous and reload answer
    // when the page's load has begun (an error when it cannot be shown, or when nothing began
    // within answerWithin()); the others at once, as handle() does.
    void handle(const ControlRequest& request, Reply reply);
    void setAnswerWithin(int ms) { m_answerWithinMs = ms; }
    int answerWithin() const { return m_answerWithinMs; }
    // Below the time gpane waits for an answer.
    static constexpr int AnswerWithinMs = 8000;
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

    // A command taken whose effect is awaited.
    struct Awaited
    {
        QString command;
        Reply reply;
        quint64 browsed = 0; // the engine's page count when it was taken
        quint64 loads = 0;   // the browser's load count when it was taken
        QDeadlineTimer deadline;
    };
    // The answer of an awaited command once its effect shows (or its time is up); none yet.
    std::optional<ControlAnswer> outcome(const Awaited& awaited) const;
    void checkAwaited();

    ShowControlHooks m_hooks;
    const ProgramValues& m_program;
    const DocumentState& m_document;
    QDateTime m_started;
    bool m_saverRun;
    int m_answerWithinMs = AnswerWithinMs;
    std::vector<Awaited> m_awaited;
    bool m_pollQueued = false;
};

} // namespace glasspane
