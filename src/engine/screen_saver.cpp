#include "engine/screen_saver.h"

#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/registry_layer.h"
#include "document/settings.h"
#include "document/text.h"
#include "platform/log.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace glasspane {

namespace {

QString desktopKey()
{
    return QString::fromLatin1(kDesktopKey);
}

// The number at the start of a text, blanks skipped, 0 when it does not begin with one; kept
// to 16 bits as the stored flag always was.
int leadingNumber(const QString& text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9') {
        value = (value * 10 + (text.at(i).unicode() - u'0')) & 0xFFFF;
        ++i;
    }
    return qint16(negative ? -value : value);
}

} // namespace

bool NamesThisProgram(const QString& scrnsaveExe, const QString& exeName)
{
    QString name = scrnsaveExe.trimmed();
    const int slash = int(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')));
    name = name.mid(slash + 1).toUpper();
    const QString exe = exeName.toUpper();
    return !exe.isEmpty() && (name == exe + QStringLiteral(".SCR") || name == exe);
}

SaverState ReadSaverState(SettingsStore& settings, Shell& shell, const ProgramValues& program,
                          bool saverSwitch)
{
    RegistryLayer& reg = settings.registryLayer();
    const QString key = desktopKey();
    SaverState state;
    state.UsePassword = leadingNumber(
        reg.RegRead(RegRoot::CurrentUser, key, QStringLiteral("ScreenSaveUsePassword")));
    const QString active =
        reg.RegRead(RegRoot::CurrentUser, key, QStringLiteral("ScreenSaveActive"));
    // What the desktop really shows, not what was last written for it.
    state.IsSystemSaver = NamesThisProgram(shell.screenSaverProgram(), program.exeName);
    state.SaverRestart = ToBool(active, true) || saverSwitch;
    state.ScreenSaveTimeOut =
        ToLong(reg.RegRead(RegRoot::CurrentUser, key, QStringLiteral("ScreenSaveTimeOut")), 300);
    if (state.ScreenSaveTimeOut <= 0)
        state.ScreenSaveTimeOut = 300;
    state.ScreenSaveMinTime = settings.read(keys::ScreenSaveMinTime);
    if (state.ScreenSaveMinTime <= 0)
        state.ScreenSaveMinTime = 2;
    return state;
}

bool RegisterSystemSaver(const SaverState& state, IniFiles& ini, RegistryLayer& registry,
                         const System& system, Shell& shell, const ProgramValues& program)
{
    if (!state.IsSystemSaver)
        return true;
    bool chosen = shell.setScreenSaver(program.programPath);
    if (!chosen)
        qCWarning(lcGlasspane) << "the desktop's screen saver could not be set to"
                               << program.programPath;
    // No short 8.3 names here: the program's own path is what the system starts.
    const QString path = program.programPath;
    // The choice is the user's own (the desktop's screen saver, the per-user values below):
    // the machine folder's SYSTEM.INI, which nothing here reads, is kept up to date where the
    // user may write it (an administrator), and needed nowhere.
    const QString systemIni = system.machineFolder() + QStringLiteral("SYSTEM.INI");
    const QString refusal = WriteRefusal(systemIni);
    if (refusal.isEmpty())
        (void)ini.WriteIni(QStringLiteral("boot"), QStringLiteral("SCRNSAVE.EXE"), path, systemIni);
    else
        qCDebug(lcGlasspane, "%s is left as it is (%s)", qUtf8Printable(systemIni),
                qUtf8Printable(refusal));
    bool ok = chosen;
    const QString key = desktopKey();
    ok = registry.RegWrite(RegRoot::CurrentUser, key, QStringLiteral("ScreenSaveActive"),
                           QStringLiteral("1")) &&
         ok;
    ok = registry.RegWrite(RegRoot::CurrentUser, key, QStringLiteral("SCRNSAVE.EXE"), path) && ok;
    if (state.ScreenSaveTimeOut != 0)
        ok = registry.RegWrite(RegRoot::CurrentUser, key, QStringLiteral("ScreenSaveTimeOut"),
                               QString::number(state.ScreenSaveTimeOut)) &&
             ok;
    return ok;
}

} // namespace glasspane
