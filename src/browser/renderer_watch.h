#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>

class QTimer;
class QWebEnginePage;

namespace glasspane {

// How long a page's renderer may take to answer the program's small script: while a page is
// shown or loading, and while the page on screen is to give way to the next one (its unload
// handlers, or a renderer that hangs, would otherwise take the next page's time).
inline constexpr int kRendererAnswerMs = 8000;
inline constexpr int kRendererLeaveMs = 3000;

// Watches that the renderer of a page still answers: every second or so it asks for a sign of
// life, which must come back within the bound in force. It says once when one did not; watch()
// (a new page) starts it over. A renderer that has nothing loaded, or that waits for a script
// dialog's answer, is not asked.
class RendererWatch final : public QObject
{
    Q_OBJECT

public:
    explicit RendererWatch(QObject* parent = nullptr);

    // The page to watch from now on (null: none).
    void watch(QWebEnginePage* page);
    // The bound in force, in ms; 0: ask nothing now.
    void setBound(std::function<int()> bound) { m_bound = std::move(bound); }

Q_SIGNALS:
    // The renderer (process pid) of the watched page has not answered for waitedMs.
    void unresponsive(qint64 pid, qint64 waitedMs);

private:
    void check();
    void forget();

    QTimer* m_timer;
    QPointer<QWebEnginePage> m_page;
    std::function<int()> m_bound;
    qint64 m_pid = 0;
    quint64 m_question = 0; // counts the questions; an answer to an older one is stale
    bool m_waiting = false;
    bool m_reported = false;
    QElapsedTimer m_asked;
    QElapsedTimer m_answered;
};

} // namespace glasspane
