#pragma once

#include "document/document.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace glasspane {

// The File menu's commands, numbered as the menu items are.
namespace FileCommandId {
constexpr int New = 0;
constexpr int Open = 1;
constexpr int OpenLocation = 2;
constexpr int Save = 3;
constexpr int SaveAs = 4;
constexpr int FirstRecent = 6; // recent document 1
constexpr int LastRecent = 15; // recent document 10
} // namespace FileCommandId

// What the document commands ask the user and tell the dialog. Implemented by the
// configuration dialog; tests script it.
class DocumentCommandUi
{
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~DocumentCommandUi() = default;
    // "Save changes to "name"?" with Yes, No and Cancel.
    virtual Answer askSaveChanges(const QString& question) = 0;
    // The document to open; "" when cancelled.
    virtual QString chooseFileToOpen() = 0;
    // The address of a document on the web; "" when cancelled.
    virtual QString chooseLocation() = 0;
    // Where to save, proposing proposedPath; "" when cancelled (replacing a file that exists
    // is confirmed by the user before the path is returned).
    virtual QString chooseSaveAsPath(const QString& proposedPath) = 0;
    // The dialog's values into the program's, before a save that the user asked for while
    // answering "Save changes?". False: the dialog refused a value (and said why); nothing is
    // kept and the command stops.
    [[nodiscard]] virtual bool keepForm() = 0;
    // A save or an open failed: the message says what and why.
    virtual void reportFailure(const QString& message) = 0;
};

enum class FileCommandResult {
    Nothing,   // cancelled, or nothing to do
    Loaded,    // another document is loaded (the dialog reloads everything)
    Created,   // a new, empty document
    Saved,     // the document and the settings were saved
    SaveFailed // the save failed; the user was told, every edit is still in the dialog
};

// The parts the commands reach.
struct DocumentCommandPorts
{
    DocumentServices& services;
    DocumentState& doc;
    // Writes every other option, inside the document save; adds the names of the options that
    // could not be stored to failed.
    std::function<void(QStringList& failed)> writeSettings;
    // After a save (successful or not): the update decision taken again, tool bars refreshed.
    std::function<void()> afterSave;
};

// New, Open file, Open from the web, Save, Save As and the recent documents. New, Open and
// the recent documents first offer to save unsaved changes; a document that is not a local
// file (fetched from the web, or the built-in one) is saved with Save As, so that no edit goes
// to a copy that is replaced or deleted later.
class DocumentCommands
{
public:
    DocumentCommands(DocumentCommandPorts ports, DocumentCommandUi& ui);

    // The command of a File menu item (FileCommandId).
    FileCommandResult FileCommand(int command);
    // Save for a local file, Save As for any other document.
    FileCommandResult Save();
    FileCommandResult SaveAs();

    // The recent documents, most recent first.
    QStringList recentFiles();
    // The name the user sees for the current document in questions.
    QString displayName() const;

    // "Save changes to "name"?".
    static QString SaveChangesQuestion(const QString& name);
    // The menu text of recent document n (1 to 10): "&n name", "1&0 name" for the tenth.
    static QString RecentFileCaption(int n, const QString& name);
    // Why a file could not be written, as the system says it ("Permission denied").
    static QString DescribeWriteProblem(const QString& path);

private:
    bool offerToSaveChanges();
    FileCommandResult open(const QString& path);
    FileCommandResult saveTo(const QString& path, const QString& name);

    DocumentCommandPorts m_ports;
    DocumentCommandUi& m_ui;
};

} // namespace glasspane
