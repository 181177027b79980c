#include "platform/linux/gio_shares.h"

#include "platform/log.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace glasspane {

namespace {

// Server and share of "\\server\share\..." or "//server/share/...".
bool splitShare(const QString& text, QString* server, QString* share)
{
    QString t = text.trimmed();
    t.replace(u'\\', u'/');
    if (!t.startsWith(QStringLiteral("//")))
        return false;
    const QStringList parts = t.mid(2).split(u'/', Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    *server = parts[0];
    *share = parts[1];
    return true;
}

} // namespace

GioShares::GioShares(int waitMs) : m_waitMs(waitMs) {}

QString GioShares::shareUrl(const QString& share)
{
    QString server, name;
    if (!splitShare(share, &server, &name))
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("smb"));
    url.setHost(server);
    url.setPath(u'/' + name);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    return QString::fromUtf8(url.toEncoded());
}

bool GioShares::runGio(const QStringList& arguments, QString* output) const
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty()) {
        m_lastError = QStringLiteral("gio is not installed");
        qCDebug(lcGlasspane) << "gio not found; network shares are not available";
        return false;
    }
    QProcess process;
    // No password prompt can wait for an answer: the input is closed.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(gio, arguments);
    if (!process.waitForFinished(m_waitMs)) {
        m_lastError = QStringLiteral("no answer within %1 s").arg(m_waitMs / 1000.0);
        qCWarning(lcGlasspane) << "gio did not answer:" << arguments;
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromUtf8(process.readAllStandardError());
        qCDebug(lcGlasspane) << "gio" << arguments << "failed:" << said;
        // gio's own line ("gio: smb://…: Connection refused"), among the library's chatter.
        m_lastError.clear();
        for (const QString& line : said.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("gio: ")))
                m_lastError = line.mid(5).trimmed();
        }
        if (m_lastError.isEmpty())
            m_lastError = QStringLiteral("gio failed (%1)").arg(process.exitCode());
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return true;
}

bool GioShares::connect(const QString& share)
{
    const QString url = shareUrl(share);
    if (url.isEmpty())
        return false;
    if (!localPath(share).isEmpty())
        return true;
    // With the user's own credentials (from the desktop's keyring); a share open to guests
    // asks for them all the same, so it is then mounted anonymously.
    return runGio({QStringLiteral("mount"), url}) ||
           runGio({QStringLiteral("mount"), QStringLiteral("-a"), url});
}

bool GioShares::disconnect(const QString& share)
{
    const QString url = shareUrl(share);
    if (url.isEmpty())
        return false;
    m_localPaths.remove(url);
    return runGio({QStringLiteral("mount"), QStringLiteral("-u"), url});
}

QString GioShares::localPath(const QString& share) const
{
    const QString url = shareUrl(share);
    if (url.isEmpty())
        return {};
    const QString known = m_localPaths.value(url);
    if (!known.isEmpty() && QFileInfo(known).isDir())
        return known;

    // gvfs names its mount folders in lower case.
    QString server, name;
    splitShare(share, &server, &name);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString folder = runtime + QStringLiteral("/gvfs/smb-share:server=") +
                               server.toLower() + QStringLiteral(",share=") + name.toLower();
        if (QFileInfo(folder).isDir()) {
            m_localPaths.insert(url, folder);
            return folder;
        }
    }
    QString info;
    if (!runGio({QStringLiteral("info"), url}, &info))
        return {};
    for (const QString& line : info.split(u'\n')) {
        const QString prefix = QStringLiteral("local path:");
        if (line.trimmed().startsWith(prefix)) {
            const QString path = line.trimmed().mid(prefix.size()).trimmed();
            if (QFileInfo(path).isDir()) {
                m_localPaths.insert(url, path);
                return path;
            }
        }
    }
    return {};
}

} // namespace glasspane
