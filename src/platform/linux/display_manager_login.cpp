#include "platform/linux/display_manager_login.h"

#include "platform/linux/key_file_edit.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace glasspane {

namespace {

const QString kDropIn = QStringLiteral("50-glasspane-autologin.conf");
const QString kHeader =
    QStringLiteral("# Written by glasspane before a reboot: the kiosk user logs in by itself.");

bool isFolder(const QString& path)
{
    return QFileInfo(path).isDir();
}

// Writes content to path atomically, making its folder; a problem sentence, or "".
QString writeFile(const QString& path, const QByteArray& content)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot make the folder %1").arg(folder);
    WholeFile file(path);
    // A file the administrator handed to the kiosk user in a folder it may not write.
    file.allowWritingInPlace();
    if (!file.open() || !file.write(content) || !file.commit())
        return QStringLiteral("cannot write %1 (%2)").arg(path, file.errorString());
    return QString();
}

void write(AutomaticLoginResult& result, const QString& path, const QByteArray& content)
{
    const QString problem = writeFile(path, content);
    if (problem.isEmpty())
        result.written << path;
    else
        result.problems << problem;
}

QByteArray dropIn(const QString& group, const QStringList& entries)
{
    return KeyFileText(QStringList{kHeader, u'[' + group + u']'} + entries);
}

} // namespace

QString DisplayManagerConfigRoot()
{
    const QString root = qEnvironmentVariable("GLASSPANE_DM_CONFIG_DIR");
    return root.isEmpty() ? QStringLiteral("/etc") : QDir::cleanPath(root);
}

bool IsValidLoginName(const QString& user)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]{0,30}\\$?$"));
    return name.match(user).hasMatch();
}

AutomaticLoginResult WriteAutomaticLogin(const QString& root, const QString& user)
{
    AutomaticLoginResult result;
    if (!IsValidLoginName(user)) {
        result.problems << QStringLiteral("\"%1\" is no user name").arg(user);
        return result;
    }
    bool found = false;

    if (isFolder(root + QStringLiteral("/lightdm"))) {
        found = true;
        write(result, root + QStringLiteral("/lightdm/lightdm.conf.d/") + kDropIn,
              dropIn(QStringLiteral("Seat:*"), {QStringLiteral("autologin-user=") + user,
                                                QStringLiteral("autologin-user-timeout=0")}));
    }

    if (isFolder(root + QStringLiteral("/sddm.conf.d")) ||
        QFileInfo::exists(root + QStringLiteral("/sddm.conf"))) {
        found = true;
        write(result, root + QStringLiteral("/sddm.conf.d/") + kDropIn,
              dropIn(QStringLiteral("Autologin"), {QStringLiteral("User=") + user}));
    }

    for (const char* name : {"gdm3/daemon.conf", "gdm/custom.conf"}) {
        const QString path = root + u'/' + QString::fromLatin1(name);
        if (!isFolder(QFileInfo(path).absolutePath()))
            continue;
        found = true;
        QByteArray content;
        QFile current(path);
        if (current.exists()) {
            if (!current.open(QIODevice::ReadOnly)) {
                result.problems
                    << QStringLiteral("cannot read %1: %2").arg(path, current.errorString());
                break;
            }
            content = current.read(1024 * 1024);
        }
        QStringList lines = KeyFileLines(content);
        const QString daemon = QStringLiteral("daemon");
        EditKeyFileValue(lines, daemon, QStringLiteral("AutomaticLoginEnable"),
                         [](auto) { return QStringLiteral("true"); });
        EditKeyFileValue(lines, daemon, QStringLiteral("AutomaticLogin"),
                         [&user](auto) { return user; });
        write(result, path, KeyFileText(lines));
        break; // one GDM per machine
    }

    if (!found)
        result.problems << QStringLiteral("no LightDM, GDM or SDDM configuration in %1").arg(root);
    return result;
}

} // namespace glasspane
