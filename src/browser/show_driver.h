#pragma once

#include <QObject>

class QTimer;

namespace glasspane {

class Engine;
class Internet;

// Drives the show's engine: a step at every tick of its timer (tim), and a step as soon as the
// engine announces a new state, so that a new state is acted on at once rather than one tick
// later. After each step the downloader hears whether the program is ending, so that no
// download waits for a server then.
class ShowDriver final : public QObject
{
    Q_OBJECT

public:
    ShowDriver(Internet& internet, QObject* parent);

    // The timer (objectName "tim"); 200 ms unless a test runs the show faster.
    QTimer* timer() const { return m_tim; }
    // The engine to drive, null for none; it announces its state changes here.
    void attach(Engine* engine);
    // Ticks from now on, with a first step at once.
    void start();
    // A step as soon as the present event is done (once, however often it is asked).
    void stepSoon();
    // The program is asked to end: no download waits for a server any more.
    void setTerminating();
    // No more steps: the program ends.
    void stop();

private:
    void tick();
    void step();

    Internet& m_internet;
    QTimer* m_tim;
    Engine* m_engine = nullptr;
    bool m_terminating = false;
    bool m_stopped = false;
    bool m_stepQueued = false;
    int m_quickSteps = 0; // steps run at once since the timer last ticked
};

} // namespace glasspane
