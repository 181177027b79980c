#pragma once

#include "platform/shares.h"

#include <QHash>

namespace glasspane {

// Network shares through GIO: "\\server\share" (or "//server/share") is mounted as
// smb://server/share with `gio mount`, never asking for a password (its input is closed): with
// the credentials the desktop's keyring holds, else anonymously (a share open to guests). It
// is reached through the gvfs folder of the mount (gvfs-fuse). Without gio every connection
// fails.
class GioShares final : public Shares
{
public:
    // waitMs bounds every gio call.
    explicit GioShares(int waitMs = 20000);

    bool connect(const QString& share) override;
    bool disconnect(const QString& share) override;
    QString localPath(const QString& share) const override;
    QString lastError() const override { return m_lastError; }

    // "smb://server/share" for "\\server\share" or "//server/share" (further folders are
    // ignored); empty when the text names no share.
    static QString shareUrl(const QString& share);

private:
    // Runs gio with the arguments; false when it is missing, failed or did not answer in time.
    bool runGio(const QStringList& arguments, QString* output = nullptr) const;

    int m_waitMs;
    mutable QString m_lastError;
    mutable QHash<QString, QString> m_localPaths; // share URL -> mount folder
};

} // namespace glasspane
