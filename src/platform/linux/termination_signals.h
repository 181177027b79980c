#pragma once

#include <QObject>

class QSocketNotifier;

namespace glasspane {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so that the program
// ends through its own path (placement saved, extracted files removed) when the session or
// the administrator stops it.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (the defaults then stay).
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // The number of the signal that arrived.
    void terminationRequested(int signalNumber);

private:
    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace glasspane
