#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace glasspane {

// The service manager that started the program (systemd), and its journal. Without one, every
// call does nothing.
class ServiceManager
{
public:
    virtual ~ServiceManager() = default;
    // Tells it one state, such as "READY=1", "STATUS=..." or "WATCHDOG=1".
    virtual void notify(const QByteArray& state) = 0;
    // How often it wants to hear "WATCHDOG=1" at the least, in milliseconds; 0 when it watches
    // nothing.
    virtual qint64 watchdogMs() const = 0;
    // One record for the journal: "MESSAGE=...", then fields "NAME=value" (upper-case names).
    virtual void journal(const QList<QByteArray>& fields) = 0;
};

} // namespace glasspane
