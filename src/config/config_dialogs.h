#pragma once

#include "engine/config_form.h"

#include <QString>

class QWidget;

namespace glasspane {

class ModalRunner;

// What the properties dialog edits (PropertiesMode).
namespace PropertiesMode {
constexpr int Page = 1;
constexpr int Include = 2;
constexpr int Exclude = 3;
constexpr int ToolRunButton = 4;
constexpr int ToolNavButton = 5;
constexpr int ToolNavAddressBox = 6;
} // namespace PropertiesMode

// The page list editor's modes.
namespace PageListMode {
constexpr int Edit = 1;
constexpr int Display = 2;
} // namespace PageListMode

// The satellite dialogs of the configuration dialog: properties, page list editor, the
// open-location dialog, and the help and contact actions. This base class is what the program
// has until they are built: the properties and page list commands change nothing, and the
// open-location dialog is a plain input box.
class ConfigDialogs
{
public:
    virtual ~ConfigDialogs() = default;

    // The properties of one entry of the working lists (index in its list; the address box of
    // the navigation bar has none). True when the entry was changed.
    // Modal dialogs run through runner.
    virtual bool editProperties(QWidget* parent, ModalRunner& runner, int mode, int index,
                                WorkingLists& lists, qint32 defaultTime);
    // The page list as text (PageListMode). True when the working page list was changed.
    virtual bool editPageList(QWidget* parent, ModalRunner& runner, int mode, WorkingLists& lists,
                              qint32 defaultTime);
    // File > Open from the web: the address typed, "" when cancelled. current is the address
    // of the current document when it came from the web.
    virtual QString chooseLocation(QWidget* parent, ModalRunner& runner, const QString& current);
    // The Help menu's items 2 to 4 (documentation, the site, the download page) and the About
    // tab's site button (item -1).
    virtual void helpCommand(QWidget* parent, int item);
};

} // namespace glasspane
