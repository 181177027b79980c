#pragma once

#include "platform/control_message.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace glasspane {

// One running copy per user, and the way to talk to it. The first copy holds a lock file and
// listens on a local socket, both in the user's private folder (0700; the socket itself 0600,
// and a connection from another user is dropped unanswered). A later copy finds the lock taken
// and sends the running copy one request (by default "raise": bring the main window to the
// front); gpane sends the administrators' commands the same way. Each connection carries one
// request and its answer (control_message.h).
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // What the running copy answers a request other than "raise".
    using Handler = std::function<ControlAnswer(const ControlRequest& request)>;

    // folder: a private per-user folder (the Shell's Temp folder). name: the instance name;
    // the user id is added to it.
    explicit SingleInstance(QString folder, QString name = QStringLiteral("glasspane"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy runs: it has been sent `request`, and its answer is in
    // lastAnswer(). Otherwise this object becomes the running copy, emits raiseRequested()
    // when a later copy asks for it, and hands other requests to the handler.
    bool FindPreviousInstance(const ControlRequest& request = {QStringLiteral("raise"), {}});
    const ControlAnswer& lastAnswer() const { return m_lastAnswer; }

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // The same, for answers given later: reply may be called once, now or after the request
    // has been carried out (within AnswerWaitMs). It takes the place of the handler.
    using Reply = std::function<void(const ControlAnswer& answer)>;
    using AsyncHandler = std::function<void(const ControlRequest& request, const Reply& reply)>;
    void setAsyncHandler(AsyncHandler handler) { m_asyncHandler = std::move(handler); }

    bool isPrimary() const { return m_server != nullptr; }
    QString socketPath() const;
    // The socket of the running copy for that folder and name.
    static QString socketPath(const QString& folder,
                              const QString& name = QStringLiteral("glasspane"));

    enum class Delivery {
        Answered, // the answer is in *answer
        NoCopy,   // nothing listens: no copy runs
        NoAnswer, // a copy took the request but did not answer in time
    };
    // Sends one request to the copy listening at socketPath. connectMs: how long to keep trying
    // to connect (a copy may be starting); answerMs: how long to wait for its answer. Blocks
    // the calling thread for at most their sum.
    static Delivery send(const QString& socketPath, const ControlRequest& request,
                         ControlAnswer* answer, int connectMs = 0, int answerMs = AnswerWaitMs);

    // How long a later copy keeps trying to reach the running copy's socket.
    static constexpr int WaitMs = 2000;
    // How long a request waits for its answer.
    static constexpr int AnswerWaitMs = 10000;

Q_SIGNALS:
    void raiseRequested();

private:
    void onNewConnection();
    void serve(QLocalSocket* socket);
    void answer(const ControlRequest& request, const Reply& reply);

    QString m_folder;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    Handler m_handler;
    AsyncHandler m_asyncHandler;
    ControlAnswer m_lastAnswer;
};

} // namespace glasspane
