#pragma once

#include "platform/shares.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace glasspane {

// Network shares that are scripted and recorded.
//
//   FakeShares shares;
//   shares.addShare("\\\\server\\docs", tempDir.path());   // connect() succeeds, files there
//   shares.connectCalls();                                  // every connect() in order
//
// Share names are compared without regard to case. connect() of an unknown share fails;
// localPath() is empty until the share is connected.
class FakeShares final : public Shares
{
public:
    void addShare(const QString& share, const QString& localFolder)
    {
        m_available.insert(share.toLower(), localFolder);
    }
    void removeShare(const QString& share) { m_available.remove(share.toLower()); }
    void setDisconnectFails(bool fails) { m_disconnectFails = fails; }

    bool connect(const QString& share) override
    {
        m_connectCalls.append(share);
        if (!m_available.contains(share.toLower()))
            return false;
        if (!isConnected(share))
            m_connected.append(share);
        return true;
    }

    bool disconnect(const QString& share) override
    {
        m_disconnectCalls.append(share);
        if (m_disconnectFails)
            return false;
        for (qsizetype i = 0; i < m_connected.size(); ++i) {
            if (m_connected[i].compare(share, Qt::CaseInsensitive) == 0) {
                m_connected.removeAt(i);
                return true;
            }
        }
        return false;
    }

    QString localPath(const QString& share) const override
    {
        return isConnected(share) ? m_available.value(share.toLower()) : QString();
    }

    bool isConnected(const QString& share) const
    {
        for (const QString& s : m_connected) {
            if (s.compare(share, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
    const QStringList& connected() const { return m_connected; }
    const QStringList& connectCalls() const { return m_connectCalls; }
    const QStringList& disconnectCalls() const { return m_disconnectCalls; }

private:
    QHash<QString, QString> m_available; // lower-cased share -> local folder
    QStringList m_connected;
    QStringList m_connectCalls;
    QStringList m_disconnectCalls;
    bool m_disconnectFails = false;
};

} // namespace glasspane
