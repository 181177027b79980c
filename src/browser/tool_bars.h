#pragma once

#include "browser/frm_res.h"
#include "browser/tool_buttons.h"
#include "engine/frontend.h"

#include <QPointer>
#include <QStringList>
#include <functional>

class QWidget;

namespace glasspane {

class Browser;
class Desktop;
class Engine;
class IniFiles;
class SettingsStore;
class frmToolNav;
class ToolBarWindow;
class frmToolRun;
struct DocumentState;
struct ProgramValues;

// Where Internet Explorer kept the addresses typed into its address box (values url1, url2...
// under HKCU); the navigation tool bar's address box lists them.
inline constexpr const char* kTypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
inline constexpr const char* kTypedUrlsName = "url";
// Addresses kept in that list.
inline constexpr int kMaxTypedUrls = 25;

// The placement values of the tool bars from the settings (defaults: not placed, unlocked).
ToolBarPlacement ReadToolBarPlacement(SettingsStore& settings);
// Stores them: positions only for a bar that is not locked, the locks always.
void WriteToolBarPlacement(SettingsStore& settings, const ToolBarPlacement& placement);

// The parts the tool bars reach. References must outlive the tool bars.
struct ToolBarPorts
{
    Browser& browser;
    Desktop& desktop;
    DocumentState& document;
    SettingsStore& settings;
    IniFiles& ini;
    ProgramValues& program;
};

// The two floating tool bars: the screen-saver bar frmToolRun and the navigation bar
// frmToolNav, their pictures (frmRes), layout, highlight and button actions. The main window's
// Frontend hands the tool bar calls of the engine to this object.
class ToolBars
{
public:
    // mainWindow: the window the bars float above (may be null).
    ToolBars(const ToolBarPorts& ports, QWidget* mainWindow);
    ~ToolBars();
    ToolBars(const ToolBars&) = delete;
    ToolBars& operator=(const ToolBars&) = delete;

    // The engine is built after the frontend that holds this object; attach it before the
    // tool bars are created. Not owned.
    void attachEngine(Engine& engine) { m_engine = &engine; }

    // The stored placement, read when the main window loads and kept up to date here.
    ToolBarPlacement& placement() { return m_placement; }

    // Builds both windows afresh (pictures, tips, typed addresses) and lays them out.
    void CreateToolBars();
    // Lays out both bars from the button lists, the lock settings and the stored placement;
    // then shows the screen-saver bar (with the pointer) when it has buttons, else hides the
    // pointer unless the user is browsing. Called again when a document is opened and when the
    // configuration is saved.
    void ArrangeToolBars();
    // The current positions of the windows into placement() (twips), for storing.
    void RecordPlacement();

    // Sets the tip of button index of the bar named by toolbarWord ("ToolNav" or "ToolRun", any
    // case); nothing when that bar is not loaded.
    void SetButtonTip(const QString& toolbarWord, int index, const QString& tip);

    // Reads the typed addresses again and fills the address box with them.
    void ReloadTypedUrls();
    // The visitor's typed addresses go: the box offers the stored list alone, and is empty.
    void forgetTypedAddresses();
    void FillAddressList(const QStringList& list);

    // ---- the tool bar part of the main window's Frontend ----
    WindowId windowId(ToolBar bar) const;
    void showToolBar(ToolBar bar, bool show);
    void setToolBarTopmost(ToolBar bar);
    bool isToolBarTopmost(ToolBar bar) const;
    int placedButtonCount(ToolBar bar) const;
    void highlightButton(ToolBar bar, int index);
    void refreshToolBars();

    // ---- actions ----
    void GrabPage();
    void PrintPage();
    // The action of a button, as a click runs it.
    void clickButton(ToolBar bar, int index);

    // The message boxes of this object (the printing messages): text, exclamation icon,
    // caption "Glasspane". Tests put a recorder here.
    using MessageBox = std::function<void(const QString& text)>;
    void setMessageBox(MessageBox box) { m_messageBox = std::move(box); }

    frmToolRun* toolRun() const { return m_toolRun; }
    frmToolNav* toolNav() const { return m_toolNav; }
    frmRes& res() { return m_res; }
    const ToolBarsLayout& layout() const { return m_layout; }
    // The button drawn highlighted: bar and kind (-1 = none).
    ToolBar highlightedBar() const { return m_highlightBar; }
    int highlightedIndex() const { return m_highlightIndex; }

private:
    void deleteWindows();
    void connectWindows();
    ToolBarWindow* window(ToolBar bar) const;
    void setButtonPicture(ToolBar bar, int index, frmRes::Face face);
    void applyLockStyle();
    void keepAbove();
    void applyLayout();
    void toolNavResized();
    void buttonMoved(ToolBar bar);
    // A typed address goes to the show unless the document's lists refuse it.
    void browseTyped(const QString& text, int time);
    bool typedAddressRefused(const QString& text) const;
    // Puts a typed address first in the box's list (stored only with KeepVisitorData).
    void offerTyped(const QString& typed);
    void focusBrowser();
    ToolBarFrame frameOf(ToolBar bar) const;
    QSize screenTwips() const;
    int tppX() const;
    int tppY() const;

    ToolBarPorts m_ports;
    QWidget* m_mainWindow;
    Engine* m_engine = nullptr;
    frmRes m_res;
    // Owned here; children of the main window when there is one, so that they float above it.
    QPointer<frmToolRun> m_toolRun;
    QPointer<frmToolNav> m_toolNav;
    ToolBarPlacement m_placement;
    ToolBarsLayout m_layout;
    QStringList m_typedUrls; // as stored (the administrator's list)
    QStringList m_visitUrls; // typed during this visit, latest first; never stored
    MessageBox m_messageBox;

    ToolBar m_highlightBar = ToolBar::Run;
    int m_highlightIndex = -1;
    bool m_pressed = false;
    bool m_arranging = false;
    bool m_arranged = false; // the windows stand where a layout put them
};

} // namespace glasspane
