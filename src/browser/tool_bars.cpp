#include "browser/tool_bars.h"

#include "browser/frm_tool_nav.h"
#include "browser/frm_tool_run.h"
#include "browser/web_browser.h"
#include "document/document.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "engine/engine.h"
#include "engine/tool_actions.h"
#include "platform/browser.h"
#include "platform/desktop.h"
#include "platform/log.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <algorithm>

// The built-in pictures live in a static library: their resource must be pulled in by name.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace glasspane {

namespace {

// The caption of the program's message boxes.
constexpr const char* kMessageTitle = "Glasspane";

QVector<ToolButton>& buttonsOf(DocumentState& doc, ToolBar bar)
{
    return bar == ToolBar::Run ? doc.ToolRunButtons : doc.ToolNavButtons;
}

int helpKindOf(ToolBar bar)
{
    return bar == ToolBar::Run ? kToolRunHelpKind : kToolNavHelpKind;
}

} // namespace

// ---- placement values ----------------------------------------------------------------------

ToolBarPlacement ReadToolBarPlacement(SettingsStore& settings)
{
    ToolBarPlacement p;
    p.ToolRunLeft = settings.read(keys::ToolRunLeft, kToolBarUnplaced);
    p.ToolRunTop = settings.read(keys::ToolRunTop, 0);
    p.ToolRunLocked = settings.read(keys::ToolRunLocked, false);
    p.ToolNavLeft = settings.read(keys::ToolNavLeft, kToolBarUnplaced);
    p.ToolNavTop = settings.read(keys::ToolNavTop, 0);
    p.ToolNavWidth = settings.read(keys::ToolNavWidth, kToolBarUnplaced);
    p.ToolNavLocked = settings.read(keys::ToolNavLocked, false);
    return p;
}

void WriteToolBarPlacement(SettingsStore& settings, const ToolBarPlacement& p)
{
    // Only what changed is written: a document kept by hand (the locks may live there) gets
    // no lines that nobody changed.
    const ToolBarPlacement stored = ReadToolBarPlacement(settings);
    auto store = [&settings](auto key, auto value, auto before) {
        if (value != before)
            (void)settings.write(key, value);
    };
    // A locked bar stays where it was put when it was locked.
    if (!p.ToolRunLocked) {
        store(keys::ToolRunLeft, p.ToolRunLeft, stored.ToolRunLeft);
        store(keys::ToolRunTop, p.ToolRunTop, stored.ToolRunTop);
    }
    store(keys::ToolRunLocked, p.ToolRunLocked, stored.ToolRunLocked);
    if (!p.ToolNavLocked) {
        store(keys::ToolNavLeft, p.ToolNavLeft, stored.ToolNavLeft);
        store(keys::ToolNavTop, p.ToolNavTop, stored.ToolNavTop);
        store(keys::ToolNavWidth, p.ToolNavWidth, stored.ToolNavWidth);
    }
    store(keys::ToolNavLocked, p.ToolNavLocked, stored.ToolNavLocked);
}

// ---- ToolBars ------------------------------------------------------------------------------

ToolBars::ToolBars(const ToolBarPorts& ports, QWidget* mainWindow)
    : m_ports(ports), m_mainWindow(mainWindow), m_res(ports.program.resourceFolder)
{
    initIconResources();
    m_messageBox = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kMessageTitle), text,
                        QMessageBox::Ok, m_mainWindow);
        box.exec();
    };
}

ToolBars::~ToolBars()
{
    deleteWindows();
}

void ToolBars::deleteWindows()
{
    delete m_toolNav.data();
    delete m_toolRun.data();
}

ToolBarWindow* ToolBars::window(ToolBar bar) const
{
    return bar == ToolBar::Run ? static_cast<ToolBarWindow*>(m_toolRun.data())
                               : static_cast<ToolBarWindow*>(m_toolNav.data());
}

int ToolBars::tppX() const
{
    return std::max(1, m_ports.desktop.twipsPerPixelX());
}

int ToolBars::tppY() const
{
    return std::max(1, m_ports.desktop.twipsPerPixelY());
}

QSize ToolBars::screenTwips() const
{
    const QSize px = m_ports.desktop.screenSize();
    return QSize(px.width() * tppX(), px.height() * tppY());
}

ToolBarFrame ToolBars::frameOf(ToolBar bar) const
{
    // The navigation bar has a sizing frame, the screen-saver bar a fixed one; both a small
    // caption.
    Desktop& d = m_ports.desktop;
    ToolBarFrame f;
    if (bar == ToolBar::Nav) {
        f.frameWidth = d.systemMetric(Desktop::Metric::FrameWidth) * tppX();
        f.frameHeight = d.systemMetric(Desktop::Metric::FrameHeight) * tppY();
    } else {
        f.frameWidth = d.systemMetric(Desktop::Metric::DialogFrameWidth) * tppX();
        f.frameHeight = d.systemMetric(Desktop::Metric::DialogFrameHeight) * tppY();
    }
    f.captionHeight = d.systemMetric(Desktop::Metric::SmallCaptionHeight) * tppY();
    return f;
}

void ToolBars::CreateToolBars()
{
    // Fresh windows each time: nothing of an earlier document's bars is left over.
    deleteWindows();
    m_arranged = false;
    m_toolRun = new frmToolRun();
    m_toolNav = new frmToolNav();
    for (ToolBarWindow* w : {window(ToolBar::Run), window(ToolBar::Nav)}) {
        // Floating above the main window, without a place in the task bar.
        if (m_mainWindow)
            w->setParent(m_mainWindow, w->windowFlags());
        w->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    connectWindows();
    m_res.loadAll();
    ReloadTypedUrls();
    ArrangeToolBars();
}

void ToolBars::connectWindows()
{
    ToolBarWindowHooks hooks;
    hooks.closeAllowed = [this] {
        return m_engine && m_engine->CurrentState() == RunState::FINPROG;
    };
    hooks.keyDown = [this](int keyCode, int shift) {
        if (m_engine)
            m_engine->HandleKeyDown(keyCode, shift);
    };
    hooks.activity = [this] {
        if (m_engine)
            m_engine->NoteActivity();
    };
    m_toolRun->setHooks(hooks);
    m_toolNav->setHooks(hooks);

    for (ToolBarWindow* w : {window(ToolBar::Run), window(ToolBar::Nav)}) {
        const ToolBar bar = w->bar();
        for (int i = 0; i < w->buttonCount(); ++i) {
            PictureButton* b = w->button(i);
            QObject::connect(b, &PictureButton::mouseDown, w, [this, bar, i] {
                highlightButton(bar, i);
                m_pressed = true;
            });
            // The picture stays as it is when the button is let go.
            QObject::connect(b, &PictureButton::mouseUp, w, [this] { m_pressed = false; });
            QObject::connect(b, &PictureButton::clicked, w,
                             [this, bar, i] { clickButton(bar, i); });
            QObject::connect(b, &PictureButton::mouseMoved, w, [this, bar] { buttonMoved(bar); });
        }
    }

    frmToolNav* nav = m_toolNav.data();
    QObject::connect(nav, &frmToolNav::urlEntered, nav,
                     [this](const QString& text) { browseTyped(text, 0); });
    QObject::connect(nav, &frmToolNav::defaultClicked, nav,
                     [this](const QString& text) { browseTyped(text, 10); });
    QObject::connect(nav, &frmToolNav::focusToBrowser, nav, [this] { focusBrowser(); });
    QObject::connect(nav, &frmToolNav::resized, nav, [this] { toolNavResized(); });
}

void ToolBars::SetButtonTip(const QString& toolbarWord, int index, const QString& tip)
{
    const QString word = toolbarWord.toLower();
    ToolBarWindow* w = word == QLatin1String("toolrun")   ? window(ToolBar::Run)
                       : word == QLatin1String("toolnav") ? window(ToolBar::Nav)
                                                          : nullptr;
    if (!w)
        return;
    if (PictureButton* b = w->button(index))
        b->setToolTip(ButtonTipText(tip));
}

void ToolBars::ReloadTypedUrls()
{
    m_typedUrls = m_ports.settings.ReadNumberedValues(QString::fromLatin1(kTypedUrlsKey),
                                                      QString::fromLatin1(kTypedUrlsName), 0);
    FillAddressList(m_typedUrls);
}

void ToolBars::FillAddressList(const QStringList& list)
{
    if (m_toolNav)
        m_toolNav->FillAddressList(list);
}

void ToolBars::applyLockStyle()
{
    if (m_toolRun)
        m_toolRun->setLocked(m_placement.ToolRunLocked);
    if (m_toolNav)
        m_toolNav->setLocked(m_placement.ToolNavLocked);
}

void ToolBars::refreshToolBars()
{
    applyLockStyle();
    keepAbove();
}

void ToolBars::keepAbove()
{
    // Without a window manager nothing keeps a tool window above the main window, and the
    // show raises that one now and then: the bar comes back up at each step. Not over a
    // dialog the user is answering, and not where windows have no stacking at all.
    if (QApplication::activeModalWidget() || QGuiApplication::platformName() == "offscreen")
        return;
    for (ToolBarWindow* w : {window(ToolBar::Run), window(ToolBar::Nav)}) {
        if (w && w->isVisible())
            w->raise();
    }
}

void ToolBars::ArrangeToolBars()
{
    if (!m_toolRun || !m_toolNav)
        return;
    // Where the user may have moved the bars since the last layout.
    if (m_arranged)
        RecordPlacement();
    applyLockStyle();

    const bool helpEnabled = m_engine ? m_engine->settings().HelpEnabled : true;
    DocumentState& doc = m_ports.document;

    ToolBarLayoutInput in;
    in.helpEnabled = helpEnabled;
    in.toolNavURLVisible = doc.ToolNavURLVisible;
    in.urlBoxHeight = m_toolNav->txtURL()->sizeHint().height() * tppY();
    in.runFrame = frameOf(ToolBar::Run);
    in.navFrame = frameOf(ToolBar::Nav);
    in.screen = screenTwips();
    in.placement = m_placement;

    for (ToolBar bar : {ToolBar::Run, ToolBar::Nav}) {
        QVector<ToolButton>& buttons = buttonsOf(doc, bar);
        QVector<QSize> sizes(frmRes::kindCount(bar));
        for (const ToolButton& b : buttons) {
            const int kind = b.Index;
            if (kind < 0 || kind >= sizes.size())
                continue;
            if (ButtonShown(b, helpKindOf(bar), helpEnabled)) {
                // A custom picture that cannot be read leaves the one the holder had.
                using Face = frmRes::Face;
                if (!b.Icon.isEmpty())
                    (void)m_res.loadFile(bar, kind, Face::Normal, b.Icon);
                else
                    (void)m_res.loadBuiltIn(bar, kind, Face::Normal);
                // A custom button without its own highlighted picture keeps its picture when
                // highlighted.
                if (!b.IconDown.isEmpty())
                    (void)m_res.loadFile(bar, kind, Face::Highlighted, b.IconDown);
                else if (!b.Icon.isEmpty())
                    (void)m_res.loadFile(bar, kind, Face::Highlighted, b.Icon);
                else
                    (void)m_res.loadBuiltIn(bar, kind, Face::Highlighted);
            }
            const QSize px =
                m_res.picture(bar, kind, frmRes::Face::Normal).deviceIndependentSize().toSize();
            sizes[kind] = QSize(px.width() * tppX(), px.height() * tppY());
        }
        if (bar == ToolBar::Run) {
            in.runButtons = buttons;
            in.runPictureSizes = sizes;
        } else {
            in.navButtons = buttons;
            in.navPictureSizes = sizes;
        }
    }

    m_layout = ArrangeToolBarsLayout(in);
    m_placement = m_layout.placement;
    applyLayout();
    m_arranged = true;

    if (!m_engine)
        return;
    if (m_engine->ToolRunShown()) {
        m_engine->EnterSaverMode();
        m_engine->ShowCursorFully();
    } else if (!m_engine->state().NavigationMode) {
        // Whoever browses keeps the pointer.
        m_engine->HideCursor();
    }
}

void ToolBars::applyLayout()
{
    m_arranging = true;
    const int tx = tppX();
    const int ty = tppY();
    DocumentState& doc = m_ports.document;

    for (ToolBarWindow* w : {window(ToolBar::Run), window(ToolBar::Nav)}) {
        const ToolBar bar = w->bar();
        const ToolBarGeometry& g = bar == ToolBar::Run ? m_layout.run : m_layout.nav;
        const QVector<ToolButton>& buttons = buttonsOf(doc, bar);
        for (int kind = 0; kind < w->buttonCount(); ++kind) {
            PictureButton* b = w->button(kind);
            const ButtonPlace place = kind < g.buttons.size() ? g.buttons[kind] : ButtonPlace();
            // The button of the current state stays lit through a new layout.
            const bool lit = m_highlightIndex == kind && m_highlightBar == bar;
            b->setPicture(
                m_res.picture(bar, kind, lit ? frmRes::Face::Highlighted : frmRes::Face::Normal));
            b->move(place.left / tx, 0);
            b->setVisible(place.visible);
            for (const ToolButton& tb : buttons)
                if (tb.Index == kind)
                    b->setToolTip(ButtonTipText(tb.HelpTip));
        }
    }

    // The screen-saver bar: just its buttons.
    const ToolBarGeometry& run = m_layout.run;
    m_toolRun->setFixedSize(std::max(1, run.contentWidth / tx),
                            std::max(1, run.contentHeight / ty));
    m_toolRun->move(run.left / tx, run.top / ty);

    // The navigation bar: its buttons above the address box, as wide as ToolNavWidth.
    const ToolBarGeometry& nav = m_layout.nav;
    const int frameWidth = m_placement.ToolNavLocked ? 0 : 2 * frameOf(ToolBar::Nav).frameWidth;
    const int clientWidth = std::max(1, (nav.windowWidth - frameWidth) / tx);
    const int boxHeight = m_layout.urlVisible ? m_toolNav->txtURL()->sizeHint().height() : 0;
    const int buttonsHeight = nav.contentHeight / ty;
    const int clientHeight = std::max(1, buttonsHeight + boxHeight);
    m_toolNav->setMinimumSize(0, 0);
    m_toolNav->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_toolNav->resize(clientWidth, clientHeight);
    m_toolNav->setFixedHeight(clientHeight);
    if (m_placement.ToolNavLocked) {
        m_toolNav->setFixedWidth(clientWidth);
    } else {
        m_toolNav->setMinimumWidth(std::max(1, nav.contentWidth / tx));
        m_toolNav->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    m_toolNav->move(nav.left / tx, nav.top / ty);
    QComboBox* box = m_toolNav->txtURL();
    box->setVisible(m_layout.urlVisible);
    box->setGeometry(0, buttonsHeight, clientWidth, boxHeight);
    m_arranging = false;
}

void ToolBars::toolNavResized()
{
    if (m_arranging || !m_toolNav)
        return;
    const bool locked = m_placement.ToolNavLocked;
    const ToolBarFrame frame = frameOf(ToolBar::Nav);
    const int frameWidth = locked ? 0 : 2 * frame.frameWidth;
    const ToolNavResize r =
        ResizeToolNav(m_layout, locked, frame, m_toolNav->width() * tppX() + frameWidth);
    const int width = (r.width - frameWidth) / tppX();
    const int height = std::max(
        1, (r.height - (locked ? 0 : frame.captionHeight + 2 * frame.frameHeight)) / tppY());
    if (m_toolNav->width() != width || m_toolNav->height() != height) {
        m_arranging = true;
        m_toolNav->resize(width, height);
        m_arranging = false;
    }
    if (!locked) {
        m_placement.ToolNavWidth = r.width;
        m_layout.nav.windowWidth = r.width;
        m_layout.urlWidth = r.urlWidth;
    }
    QComboBox* box = m_toolNav->txtURL();
    box->setGeometry(0, box->y(), m_toolNav->width(), box->height());
}

void ToolBars::RecordPlacement()
{
    if (m_toolRun) {
        m_placement.ToolRunLeft = m_toolRun->x() * tppX();
        m_placement.ToolRunTop = m_toolRun->y() * tppY();
    }
    if (m_toolNav) {
        m_placement.ToolNavLeft = m_toolNav->x() * tppX();
        m_placement.ToolNavTop = m_toolNav->y() * tppY();
        // The frame the window has now, which a new lock setting has not changed yet.
        const int frameWidth = m_toolNav->isLocked() ? 0 : 2 * frameOf(ToolBar::Nav).frameWidth;
        m_placement.ToolNavWidth = m_toolNav->width() * tppX() + frameWidth;
    }
}

// ---- Frontend part -------------------------------------------------------------------------

WindowId ToolBars::windowId(ToolBar bar) const
{
    const QWidget* w = window(bar);
    return w ? WindowId(w->winId()) : 0;
}

void ToolBars::showToolBar(ToolBar bar, bool show)
{
    QWidget* w = window(bar);
    if (!w)
        return;
    if (show != w->isVisible())
        qCDebug(lcGlasspane) << (bar == ToolBar::Nav ? "navigation" : "screen-saver") << "tool bar"
                             << (show ? "shown" : "hidden");
    if (show) {
        w->show();
        keepAbove();
    } else {
        w->hide();
    }
}

void ToolBars::setToolBarTopmost(ToolBar bar)
{
    // A main window that stays on top carries its tool bars with it.
    if (m_engine && m_engine->settings().TopMost)
        return;
    if (ToolBarWindow* w = window(bar))
        w->setTopmost(true);
    keepAbove();
}

bool ToolBars::isToolBarTopmost(ToolBar bar) const
{
    const ToolBarWindow* w = window(bar);
    return w && w->isTopmost();
}

int ToolBars::placedButtonCount(ToolBar bar) const
{
    return bar == ToolBar::Run ? m_layout.run.placedCount : m_layout.nav.placedCount;
}

void ToolBars::setButtonPicture(ToolBar bar, int index, frmRes::Face face)
{
    ToolBarWindow* w = window(bar);
    if (!w)
        return;
    if (PictureButton* b = w->button(index))
        b->setPicture(m_res.picture(bar, index, face));
}

void ToolBars::highlightButton(ToolBar bar, int index)
{
    if (m_pressed)
        return;
    if (bar == m_highlightBar && index == m_highlightIndex)
        return;
    // Kinds outside the bar (the navigation bar's "none") draw nothing.
    setButtonPicture(m_highlightBar, m_highlightIndex, frmRes::Face::Normal);
    setButtonPicture(bar, index, frmRes::Face::Highlighted);
    m_highlightBar = bar;
    m_highlightIndex = index;
}

// ---- button events and actions -------------------------------------------------------------

void ToolBars::buttonMoved(ToolBar bar)
{
    if (!m_engine)
        return;
    if (bar == ToolBar::Run)
        m_engine->NoteActivity();
    m_engine->EngineTick();
}

void ToolBars::focusBrowser()
{
    m_ports.browser.setFocus();
}

void ToolBars::clickButton(ToolBar bar, int index)
{
    if (!m_engine)
        return;
    Engine& e = *m_engine;
    Browser& browser = m_ports.browser;
    const bool navigating = e.state().NavigationMode;
    if (bar == ToolBar::Run) {
        switch (index) {
        case ToolRunPlay:
            e.PlayAction();
            break;
        case ToolRunPause:
            e.PauseAction();
            break;
        case ToolRunPrevious:
            e.PreviousAction();
            break;
        case ToolRunNext:
            e.NextAction();
            break;
        case ToolRunQuit:
            e.QuitAction();
            break;
        case ToolRunConfig:
            e.ConfigAction();
            break;
        case ToolRunNavigation:
            e.SwitchToNavigation();
            break;
        case ToolRunHelp:
            if (e.HelpAllowed())
                e.ShowHelp();
            break;
        default:
            break;
        }
        return;
    }
    switch (index) {
    case ToolNavBack:
        if (navigating)
            browser.GoBack();
        break;
    case ToolNavForward:
        if (navigating)
            browser.GoForward();
        break;
    case ToolNavStop:
        if (navigating)
            browser.Stop();
        break;
    case ToolNavReload:
        if (navigating)
            browser.Refresh();
        break;
    case ToolNavHome:
        e.GoHome();
        break;
    case ToolNavPlay:
        e.PlayAction();
        break;
    case ToolNavQuit:
        e.QuitAction();
        break;
    case ToolNavConfig:
        e.ConfigAction();
        break;
    case ToolNavHelp:
        if (e.HelpAllowed())
            e.ShowHelp();
        break;
    case ToolNavGrab:
        GrabPage();
        break;
    case ToolNavPrint:
        PrintPage();
        break;
    default:
        break;
    }
    focusBrowser();
}

bool ToolBars::typedAddressRefused(const QString& text) const
{
    // An empty box hands its empty text on: it loads nothing.
    if (text.trimmed().isEmpty())
        return false;
    // The address as the browser will load it, so that no spelling differs from what is tested.
    const QString address = WebBrowser::addressOf(WebBrowser::urlOf(text));
    const DocumentState& doc = m_ports.document;
    if (IsRestricted(address, doc.IncludeList, doc.ExcludeList, m_ports.program.resourceFolder))
        return true;
    // A document would replace the lists that limit the visitor.
    return IsDocumentAddress(address) && RestrictsNavigation(doc.IncludeList, doc.ExcludeList);
}

void ToolBars::browseTyped(const QString& text, int time)
{
    if (typedAddressRefused(text)) {
        qCDebug(lcGlasspane) << "typed address refused" << text;
        // The box shows the page on screen again; the address is not offered again.
        if (m_toolNav)
            m_toolNav->txtURL()->setEditText(m_ports.browser.LocationURL());
        focusBrowser();
        return;
    }
    if (m_engine)
        (void)m_engine->BrowseTo(text, time, false, false, true);
    // Typed addresses are offered again in the list, the latest first. A visitor's are the
    // visit's alone: offered until the show takes over, written nowhere.
    if (!text.trimmed().isEmpty())
        offerTyped(text.trimmed());
    focusBrowser();
}

void ToolBars::offerTyped(const QString& typed)
{
    if (m_ports.settings.read(keys::KeepVisitorData)) {
        if (m_ports.settings.AddToNumberedList(QString::fromLatin1(kTypedUrlsKey),
                                               QString::fromLatin1(kTypedUrlsName), m_typedUrls,
                                               typed, kMaxTypedUrls))
            FillAddressList(m_typedUrls);
        return;
    }
    m_visitUrls.removeIf(
        [&typed](const QString& entry) { return entry.compare(typed, Qt::CaseInsensitive) == 0; });
    m_visitUrls.prepend(typed);
    QStringList offered = m_visitUrls;
    for (const QString& stored : std::as_const(m_typedUrls)) {
        if (!offered.contains(stored, Qt::CaseInsensitive))
            offered.append(stored);
    }
    FillAddressList(offered.mid(0, kMaxTypedUrls));
}

void ToolBars::forgetTypedAddresses()
{
    m_visitUrls.clear();
    ReloadTypedUrls();
    if (m_toolNav)
        m_toolNav->txtURL()->setEditText(QString());
}

void ToolBars::GrabPage()
{
    // It changes the document: as much a change of the configuration as the dialog's.
    if (!m_engine)
        return;
    (void)m_engine->RunGuarded([this] {
        const GrabResult result = glasspane::GrabPage(
            m_ports.browser.LocationURL(), m_ports.document, m_ports.ini, m_ports.program);
        if (result == GrabResult::NotWritten)
            qCWarning(lcGlasspane)
                << "grab: the document could not be written:" << m_ports.program.documentPath;
    });
}

void ToolBars::PrintPage()
{
    Browser& browser = m_ports.browser;
    if (!browser.canPrint()) {
        m_messageBox(QStringLiteral("Print command is not available!"));
        return;
    }
    QString error;
    if (!browser.print(&error) && !error.isEmpty())
        m_messageBox(QStringLiteral("Error while printing:\r\n") + error);
}

} // namespace glasspane
