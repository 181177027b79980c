#include "config/model/config_form.h"

#include "document/document_files.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/registry_layer.h"
#include "document/text.h"
#include "document/update_policy.h"
#include "engine/screen_saver.h"
#include "platform/clock.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace glasspane {

namespace {

const QString kProductName = QStringLiteral("Glasspane");

std::optional<qint32> roundedToInt(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Halves to even: the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (rounded < double(std::numeric_limits<qint32>::min()) ||
        rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QStringList withoutBlankEntries(const QStringList& list)
{
    QStringList kept;
    for (const QString& entry : list) {
        if (!entry.trimmed().isEmpty())
            kept.append(entry);
    }
    return kept;
}

// The buttons in list order become the bar order; the document keeps them by kind.
QVector<ToolButton> positionedButtons(QVector<ToolButton> buttons)
{
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i].Position = qint16(i);
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const ToolButton& a, const ToolButton& b) { return a.Index < b.Index; });
    return buttons;
}

QVector<ToolButton> inBarOrder(QVector<ToolButton> buttons)
{
    std::stable_sort(buttons.begin(), buttons.end(), [](const ToolButton& a, const ToolButton& b) {
        return a.Position < b.Position;
    });
    return buttons;
}

} // namespace

// ---- Numbers ----------------------------------------------------------------------------------

std::optional<qint32> WholeNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        return std::nullopt;
    return roundedToInt(value);
}

qint32 NumberBoxValue(const QString& text, qint32 fallback)
{
    return WholeNumber(text).value_or(fallback);
}

qint32 LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+'))
        ++i;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    if (i < n && text.at(i) == u'.') {
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128)
            ++i;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text.mid(start, i - start), &ok);
    if (!ok)
        return 0;
    // Beyond the range of a number box: as far as it goes.
    if (value >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (value <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return roundedToInt(value).value_or(0);
}

namespace NumberBoxes {

NumberBoxRule displayTime(const QString& name)
{
    return {name, QStringLiteral("a whole number of seconds, 0 or more"), 0,
            std::numeric_limits<qint32>::max(), true};
}

NumberBoxRule minutes(const QString& name)
{
    return {name, QStringLiteral("a whole number of minutes, 1 or more"), 1,
            std::numeric_limits<qint32>::max(), false};
}

NumberBoxRule hours(const QString& name)
{
    return {name, QStringLiteral("an hour from 0 to 23"), 0, 23, false};
}

NumberBoxRule minutesOfHour(const QString& name)
{
    return {name, QStringLiteral("minutes from 0 to 59"), 0, 59, false};
}

NumberBoxRule bound(const QString& name)
{
    return {name, QStringLiteral("a whole number"), std::numeric_limits<qint32>::min(),
            std::numeric_limits<qint32>::max(), false};
}

} // namespace NumberBoxes

std::optional<QString> NumberBoxProblem(const NumberBoxRule& rule, const QString& text)
{
    const QString typed = text.trimmed();
    const std::optional<qint32> value = WholeNumber(typed);
    QString problem;
    if (typed.isEmpty())
        problem = QStringLiteral("%1 is empty").arg(rule.name);
    else if (!value)
        problem = QStringLiteral("%1: \"%2\" is not a number").arg(rule.name, typed);
    else if (*value < 0 && rule.minimum >= 0)
        problem = QStringLiteral("%1 cannot be negative (%2)").arg(rule.name, typed);
    else if (*value < rule.minimum || *value > rule.maximum)
        problem = QStringLiteral("%1: %2 is out of range").arg(rule.name, typed);
    else
        return std::nullopt;
    QString message = problem + QStringLiteral(". Please type ") + rule.expected + u'.';
    if (rule.zeroMeansNoAdvance && !value)
        message += QStringLiteral("\n\n0 means no automatic advance: each page then stays on "
                                  "screen until someone changes it. Type 0 only if that is "
                                  "what you want.");
    return message;
}

std::optional<int> SpinnerRule::valueFor(qint64 number) const
{
    const qint64 value = qint64(offset) - number;
    if (value < minimum || value > maximum)
        return std::nullopt;
    return int(value);
}

std::optional<int> SpinnerRule::valueForText(const QString& text) const
{
    if (!followsBox)
        return std::nullopt;
    qint64 number = LeadingNumber(text);
    if (clamps)
        number = std::clamp<qint64>(number, clampLow, clampHigh);
    return valueFor(number);
}

HourMinute SplitUpdateTime(const QString& text)
{
    const qsizetype colon = text.indexOf(u':');
    const QString hours = colon < 0 ? text : text.left(colon);
    const QString minutes = colon < 0 ? QString() : text.mid(colon + 1);
    HourMinute result;
    result.hours = int(NumberBoxValue(hours, 0) % 24);
    result.minutes = int(NumberBoxValue(minutes, 0) % 60);
    return result;
}

bool IsValidEMail(const QString& text)
{
    int state = 0;
    for (const QChar c : text.trimmed().toUpper()) {
        const bool alphanumeric = (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (alphanumeric) {
            if (state == 0 || state == 2)
                ++state;
            else if (state == 4)
                return true;
        } else if (c == u'@' && state == 1) {
            state = 2;
        } else if (c == u'.' && state == 3) {
            state = 4;
        }
    }
    return false;
}

// ---- Labels -------------------------------------------------------------------------------------

QString ScreenSaverLabel(bool isSystemSaver, const QString& scrnsaveExe)
{
    if (isSystemSaver)
        return QStringLiteral("Current screen saver is ") + kProductName;
    const QString name = scrnsaveExe.trimmed();
    if (name.isEmpty())
        return QStringLiteral("There is no current screen saver");
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return QStringLiteral("Current screen saver is ") + name.mid(slash + 1);
}

QString DefaultFileLabel(const QString& defaultDocumentPath)
{
    return QStringLiteral("Default file is ") + defaultDocumentPath;
}

QString AssociationLabel(const QString& openCommand)
{
    const QString program = StripQuotes(CommandLineItem(openCommand.trimmed(), 1));
    if (program.isEmpty())
        return QStringLiteral("There is no default association");
    return QStringLiteral("Default association is ") + program;
}

QString ToolRunStatusText(int mouseMove)
{
    switch (mouseMove) {
    case 1:
        return QStringLiteral("Tool Run is not visible because ") + kProductName +
               QStringLiteral(" switches to navigation mode when the mouse moves");
    case 2:
        return QStringLiteral("Tool Run is not visible because ") + kProductName +
               QStringLiteral(" quits when the mouse moves");
    default:
        return QStringLiteral("Tool Run is visible");
    }
}

// ---- Set-up -------------------------------------------------------------------------------------

ConfigForm LoadConfigForm(ConfigServices& services)
{
    DocumentServices& documents = services.documents;
    SettingsStore& settings = documents.settings;
    const DocumentState& doc = services.doc;
    const ProgramOptions& o = services.options;
    ConfigForm f;

    f.HomePage = doc.HomeURL;
    f.AutoHome = doc.AutoHome;
    f.Splash = doc.HomeAsSplash;
    f.MouseMove = int(o.OnMouseMove);
    f.ScreenSaveActive = o.ScreenSaveActive;
    f.ScreenSaveTimeOut = QString::number(o.ScreenSaveTimeOut / 60);
    f.AutoLoop = doc.AutoLoop;
    f.DefaultTime = QString::number(doc.DefaultTime);
    f.FirstPageIsLastPage = o.FirstPageIsLastPage;

    f.Random = o.RandomMode;
    f.FullScreen = o.WindowState == MainWindowState::FullScreen;
    f.TopMost = o.TopMost;
    f.NewWindow = o.OnNewWindow;
    f.RemoveVertScroll = o.RemoveVertScroll;

    f.HelpEnabled = o.HelpEnabled;
    f.HelpURL = o.HelpURL;

    f.Reboot = o.AutoReboot;
    const HourMinute reboot = SplitUpdateTime(o.RebootTime);
    f.RebootTimeH = QString::number(reboot.hours);
    f.RebootTimeM = QString::number(reboot.minutes);
    f.ForceReboot = o.ForceReboot;
    f.AutoLogin = o.AutoLogin;
    f.UserName = o.NTLogin;
    f.Domain = o.NTDomain;

    f.UpdateScheme = std::clamp<int>(o.UpdateScheme, 0, 5);
    f.ForceReconnect = o.ForceReconnect;
    const HourMinute update = SplitUpdateTime(o.UpdateTime);
    f.UpdateTimeH = QString::number(update.hours);
    f.UpdateTimeM = QString::number(update.minutes);
    f.MaxTime = QString::number(o.MaxTime / 60);
    f.UpdateDelay = QString::number(o.UpdateDelay / 60);
    f.TestURLIsHomePage = o.TestURLIsHomePage;
    f.TestURL = o.TestURL;

    RegistryLayer& registry = settings.registryLayer();
    f.DefaultSS = services.saver.IsSystemSaver;
    f.DefaultSSText = ScreenSaverLabel(f.DefaultSS, documents.shell.screenSaverProgram());
    f.DefaultFile = doc.IsDefaultDocument;
    f.DefaultFileText = DefaultFileLabel(DefaultDocumentPath(documents));
    f.DefaultProgram =
        !AssociationNeeded(documents.registry, documents.shell, documents.program.programPath);
    f.DefaultProgramText = AssociationLabel(registry.RegRead(
        RegRoot::ClassesRoot, QStringLiteral("gpn_auto_file\\shell\\open\\command"), QString()));
    f.MachineScope = settings.RegKeyRoot() != SettingsLocation::HKCU;

    f.ToolRunLocked = o.ToolRunLocked;
    f.ToolNavLocked = o.ToolNavLocked;

    f.EMail = o.EMail;
    f.Private = o.DontUseEMail;
    return f;
}

WorkingLists LoadWorkingLists(const DocumentState& doc)
{
    WorkingLists lists;
    lists.pages = doc.PageList.mid(1);
    lists.include = doc.IncludeList;
    lists.exclude = doc.ExcludeList;
    lists.toolRun = inBarOrder(doc.ToolRunButtons);
    lists.toolNav = inBarOrder(doc.ToolNavButtons);
    lists.toolNavUrlVisible = doc.ToolNavURLVisible;
    return lists;
}

int InitialPageSelection(const QVector<PageEntry>& pages,
                         const std::function<bool(const QString&)>& isCurrentPage)
{
    if (pages.isEmpty())
        return -1;
    for (int i = 0; i < pages.size(); ++i) {
        if (isCurrentPage && isCurrentPage(pages.at(i).URL))
            return i;
    }
    return 0;
}

PageEntry NewPageEntry(qint32 defaultTime)
{
    PageEntry page;
    page.DefaultTime = true;
    page.Time = defaultTime;
    page.Var1Type = VarNone;
    page.Cached = false;
    page.SeparateProc = true;
    return page;
}

// ---- Keeping ------------------------------------------------------------------------------------

void KeepEMail(ProgramOptions& options, const ConfigForm& form)
{
    const QString email = form.EMail.trimmed();
    if (email != options.EMail) {
        options.EMail = email;
        options.EMailRegistered = false;
    }
    options.DontUseEMail = form.Private;
}

void P_ConfigKeep(ConfigServices& services, const ConfigForm& f, const WorkingLists& lists,
                  const ExpansionContext& expansion, const ConfigKeepHooks& hooks,
                  QStringList& failed)
{
    DocumentServices& documents = services.documents;
    SettingsStore& settings = documents.settings;
    ProgramValues& program = documents.program;
    DocumentState& doc = services.doc;
    ProgramOptions& o = services.options;
    auto note = [&failed](bool ok, Setting setting) {
        if (!ok)
            failed.append(settingName(setting));
    };

    // Where the options go.
    settings.setParamsLocation(SettingsLocation::Document);
    note(WriteGeneralOption(settings, keys::ParamsLocation,
                            SettingsStore::paramsLocationText(SettingsLocation::Document)),
         Setting::ParamsLocation);
    settings.setRegKeyRoot(f.MachineScope ? SettingsLocation::HKLM : SettingsLocation::HKCU);
    note(WriteGeneralOption(settings, keys::RegKey,
                            SettingsStore::regKeyText(settings.RegKeyRoot())),
         Setting::RegKey);

    // The default document.
    doc.IsDefaultDocument = f.DefaultFile;
    if (f.DefaultFile) {
        QString defaultFile;
        if (program.documentSource == DocumentSource::File)
            defaultFile = program.documentPath;
        else if (program.documentSource == DocumentSource::Web)
            defaultFile = program.documentName;
        if (!defaultFile.isEmpty())
            note(WriteGeneralOption(settings, keys::DefaultFile, defaultFile),
                 Setting::DefaultFile);
    }

    // The system's choices, then the tabs' values.
    services.saver.IsSystemSaver = f.DefaultSS;
    doc.AssociationPending =
        f.DefaultProgram &&
        AssociationNeeded(documents.registry, documents.shell, program.programPath);

    doc.HomeURL = f.HomePage;
    doc.AutoHome = f.AutoHome;
    doc.HomeAsSplash = f.Splash;
    o.ScreenSaveActive = f.ScreenSaveActive;
    const qint32 saveMinutes = NumberBoxValue(f.ScreenSaveTimeOut, 5);
    o.ScreenSaveTimeOut = saveMinutes * 60;
    services.saver.ScreenSaveTimeOut = o.ScreenSaveTimeOut;
    o.OnMouseMove = MouseMoveAction(f.MouseMove);
    doc.DefaultTime = NumberBoxValue(f.DefaultTime, 0);
    doc.AutoLoop = f.AutoLoop;
    o.FirstPageIsLastPage = f.FirstPageIsLastPage;
    o.TestURLIsHomePage = f.TestURLIsHomePage;

    if (o.WindowState != MainWindowState::FullScreen && hooks.storeWindowRect)
        hooks.storeWindowRect();
    o.WindowState = f.FullScreen ? MainWindowState::FullScreen : MainWindowState::Window;
    o.TopMost = f.TopMost;
    o.RandomMode = f.Random;
    if (hooks.applyWindowState)
        hooks.applyWindowState(o.WindowState, o.TopMost);
    o.OnNewWindow = qint16(f.NewWindow);
    o.RemoveVertScroll = qint16(f.RemoveVertScroll);

    o.AutoReboot = f.Reboot;
    o.RebootTime = QStringLiteral("%1:%2")
                       .arg(NumberBoxValue(f.RebootTimeH, 0))
                       .arg(NumberBoxValue(f.RebootTimeM, 0));
    o.ForceReboot = f.ForceReboot;
    o.AutoLogin = f.AutoLogin;
    o.NTLogin = f.UserName;
    o.NTDomain = f.Domain;

    o.UpdateScheme = qint16(f.UpdateScheme);
    o.UpdateTime = twoDigits(NumberBoxValue(f.UpdateTimeH, 0)) + u':' +
                   twoDigits(NumberBoxValue(f.UpdateTimeM, 0));
    o.UpdateDelay = NumberBoxValue(f.UpdateDelay, 5) * 60;
    o.MaxTime = NumberBoxValue(f.MaxTime, saveMinutes) * 60;
    o.ForceReconnect = f.ForceReconnect;
    o.TestURL = f.TestURL;
    UpdateState& update = services.update;
    update.UpdateScheme = o.UpdateScheme;
    update.UpdateTime = o.UpdateTime;
    update.UpdateDelay = o.UpdateDelay;
    update.MaxTime = o.MaxTime;
    update.ForceReconnect = o.ForceReconnect;
    update.NextUpdate =
        ComputeNextUpdate(documents.clock, update.UpdateScheme, update.LastUpdate,
                          update.UpdateTime, update.UpdateASAPDate, update.UpdateASAPTime);

    o.HelpEnabled = f.HelpEnabled;
    o.HelpURL = f.HelpURL;

    // The e-mail fields.
    KeepEMail(o, f);

    // The pages, and the play list they expand into.
    doc.PageList.resize(1);
    for (const PageEntry& page : lists.pages) {
        if (!page.URL.trimmed().isEmpty())
            doc.PageList.append(page);
    }
    ExpandPageList(doc.PageList, doc.PlayList, lists.include, lists.exclude, expansion);
    if (hooks.playListRebuilt)
        hooks.playListRebuilt();

    // The address lists, without blank entries.
    doc.ExcludeList = withoutBlankEntries(lists.exclude);
    doc.IncludeList = withoutBlankEntries(lists.include);

    // The buttons of both bars in list order, the address box and the bar locks.
    doc.ToolRunButtons = positionedButtons(lists.toolRun);
    o.ToolRunLocked = f.ToolRunLocked;
    doc.ToolNavButtons = positionedButtons(lists.toolNav);
    doc.ToolNavURLVisible = lists.toolNavUrlVisible;
    o.ToolNavLocked = f.ToolNavLocked;
    if (hooks.rebuildToolBars)
        hooks.rebuildToolBars();
}

} // namespace glasspane
