#pragma once

#include <QString>

namespace glasspane {

// Network shares named "\\server\share".
class Shares
{
public:
    virtual ~Shares() = default;
    virtual bool connect(const QString& share) = 0;
    virtual bool disconnect(const QString& share) = 0;
    // Where the files of a connected share can be reached locally; empty when not connected.
    virtual QString localPath(const QString& share) const = 0;
    // Why the last connection failed ("Connection refused"); empty when unknown.
    virtual QString lastError() const { return QString(); }
};

} // namespace glasspane
