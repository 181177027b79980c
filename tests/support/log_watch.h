#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <algorithm>

namespace glasspane::test {

// The program's log lines (its debug lines included) while it lives, for a test that waits for
// one: a barrier, since what the line reports has happened once it is there.
//
//   LogWatch log;
//   ... the action ...
//   QTRY_VERIFY(log.contains("navigation", url, "refused"));
class LogWatch
{
public:
    LogWatch()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("glasspane*=true"));
        s_watch = this;
        m_previous = qInstallMessageHandler(&LogWatch::handle);
    }
    ~LogWatch()
    {
        qInstallMessageHandler(m_previous);
        s_watch = nullptr;
        QLoggingCategory::setFilterRules(QString());
    }
    LogWatch(const LogWatch&) = delete;
    LogWatch& operator=(const LogWatch&) = delete;

    // A line that holds all the texts.
    bool contains(const QStringList& texts) const
    {
        const QMutexLocker lock(&m_mutex);
        for (const QString& line : m_lines) {
            if (std::all_of(texts.begin(), texts.end(),
                            [&line](const QString& text) { return line.contains(text); }))
                return true;
        }
        return false;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (LogWatch* watch = s_watch) {
            const QMutexLocker lock(&watch->m_mutex);
            watch->m_lines.append(text);
        }
        // The debug lines were asked for here: only what the test would show anyway goes on.
        const bool quiet = type == QtDebugMsg || type == QtInfoMsg;
        if (s_watch && s_watch->m_previous && !quiet)
            s_watch->m_previous(type, context, text);
    }

    static inline LogWatch* s_watch = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

} // namespace glasspane::test
