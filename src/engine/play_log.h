#pragma once

#include "platform/whole_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace glasspane {

class Clock;
class Engine;

// One page of the show as it was played: the proof that it was on screen, and for how long.
struct PlayRecord
{
    QDateTime asked;       // the show asked the browser for it
    QDateTime shown;       // it appeared on screen; invalid when it never did
    qint64 durationMs = 0; // how long it stayed on screen
    int page = 0;          // its play-list position (0: the start page)
    QString address;
    QString result; // "complete", "failed", "incomplete" (it never completed)
    QString reason; // why it failed

    QJsonObject toJson() const;
    static std::optional<PlayRecord> fromJson(const QJsonObject& object);
};

// The record as the journal's fields: MESSAGE, then GLASSPANE_PAGE, _ADDRESS, _SHOWN, _SECONDS,
// _RESULT, _REASON (journalctl GLASSPANE_RESULT=failed finds them).
QList<QByteArray> PlayJournalFields(const PlayRecord& record);

// The play log: one JSON object per line, in files of a bounded size ("plays-000001.log",
// numbered on), the oldest removed when there are more than the count kept. Each file is
// written whole or not at all, so that a crash or a full disk never leaves half a file.
class PlayLog
{
public:
    // The user's folder of it: $XDG_STATE_HOME/glasspane/plays (~/.local/state/...).
    static QString defaultFolder();
    static constexpr qint64 DefaultFileBytes = 64 * 1024;
    static constexpr int DefaultFiles = 64;

    explicit PlayLog(QString folder, qint64 fileBytes = DefaultFileBytes, int files = DefaultFiles);
    // False (and why) when it could not be written; it is tried again with the next one.
    bool append(const PlayRecord& record, QString* error = nullptr);

    // All the records kept, oldest first; lines that are no record are passed over.
    static QList<PlayRecord> read(const QString& folder);

private:
    QString fileOf(int number) const;

    QString m_folder;
    qint64 m_fileBytes;
    int m_files;
    int m_number = 1;     // the file being written
    QByteArray m_current; // its lines
};

// Follows the show's pages at each step of its main loop and at each change of page, and
// records each one that leaves the screen (or the program's end) into the log and to sink.
class PlayRecorder
{
public:
    PlayRecorder(PlayLog& log, const Clock& clock,
                 std::function<void(const PlayRecord&)> sink = {});

    // The show as it is now. leaving: its page is about to be replaced.
    void update(const Engine& engine, bool leaving = false);
    // The program ends: the page on screen is recorded as it stands.
    void finish();

private:
    void record();

    PlayLog& m_log;
    const Clock& m_clock;
    std::function<void(const PlayRecord&)> m_sink;
    std::optional<PlayRecord> m_current;
    quint64 m_browsed = 0;
    QDateTime m_left; // when the page was seen leaving
    WriteFaults m_faults;
};

} // namespace glasspane
