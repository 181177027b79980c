#pragma once

#include "config/model/config_form.h"

#include <QString>

class QWidget;

namespace glasspane {

class ConfigHost;
class ModalRunner;
class System;
struct DocumentServices;
struct ExpansionContext;
struct ProgramOptions;

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

// The Help menu's items and the About tab's site button, as helpCommand knows them.
namespace HelpItem {
constexpr int Site = -1;         // the maker's site in the main browser (About tab)
constexpr int Documentation = 2; // the built-in documentation in the main browser
constexpr int OnTheInternet = 3; // the maker's site in the default browser
constexpr int Download = 4;      // the contact request in the default browser
} // namespace HelpItem

// What the satellite dialogs reach; references outlive the call.
struct DialogContext
{
    QWidget* parent;
    ModalRunner& runner; // every modal dialog and message box
    DocumentServices& documents;
    ConfigHost& host;
    System& system;
};

// The satellite dialogs of the configuration dialog: properties, the page list editor, the
// open-location dialog, and the help and contact actions. Tests put a recording subclass in
// its place.
class ConfigDialogs
{
public:
    virtual ~ConfigDialogs() = default;

    // The properties of one entry of the working lists (index in its list; the address box of
    // the navigation bar has none). True when the entry was changed (OK).
    virtual bool editProperties(const DialogContext& context, int mode, int index,
                                WorkingLists& lists);
    // The page list as text (PageListMode); new pages get defaultTime, the display expands the
    // pages with expansion. True when the working page list was changed.
    virtual bool editPageList(const DialogContext& context, int mode, WorkingLists& lists,
                              qint32 defaultTime, const ExpansionContext& expansion);
    // File > Open from the web: the address typed, "" when cancelled. current is the address
    // of the current document when it came from the web.
    virtual QString chooseLocation(const DialogContext& context, const QString& current);
    // A HelpItem; options give the e-mail fields of the contact request.
    virtual void helpCommand(const DialogContext& context, int item, const ProgramOptions& options);
};

} // namespace glasspane
