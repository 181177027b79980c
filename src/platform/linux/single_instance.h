#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace glasspane {

// One running copy per user. The first copy holds a lock file and listens on a local socket,
// both in the user's private folder; a later copy finds the lock taken, asks the running copy
// (a line "raise") to bring its main window to the top, and ends without showing anything.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // folder: a private per-user folder (the Shell's Temp folder). name: the instance name;
    // the user id is added to it.
    explicit SingleInstance(QString folder, QString name = QStringLiteral("glasspane"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy runs (it has been asked to raise its window). Otherwise this
    // object becomes the running copy and emits raiseRequested() when a later copy asks.
    bool FindPreviousInstance();

    bool isPrimary() const { return m_server != nullptr; }
    QString socketPath() const;

    // How long a later copy waits for the running copy's socket to answer.
    static constexpr int WaitMs = 2000;

Q_SIGNALS:
    void raiseRequested();

private:
    bool askRunningCopy() const;
    void onNewConnection();

    QString m_folder;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace glasspane
