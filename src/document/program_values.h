#pragma once

#include <QString>

namespace glasspane {

// Where the current document came from; Resource is the built-in default document.
enum class DocumentSource { None = 0, File = 1, Web = 2, Resource = 3 };

// The values fixed at start-up and the current document's names, shared by every subsystem.
// One copy lives in the application object; parts receive it by reference.
struct ProgramValues
{
    QString productVersionText; // "Glasspane 4.35 (https://glasspane.example/)"
    QString
        resourceFolder;  // private per-user folder of the extracted embedded files, no trailing '/'
    QString startFolder; // current folder at start-up, trailing '/'
    QString windowsFolder; // the machine folder (SYSTEM.INI, machine hives), trailing '/'
    QString programPath;   // the running executable's absolute path
    QString exeName;       // the executable's name without folder and extension, upper-cased
    QString userKeyPath = QStringLiteral("Software\\Qorvath\\Glasspane");
    QString machineKeyPath = QStringLiteral("SOFTWARE\\Qorvath\\Glasspane");

    QString documentPath; // the local file the document is read from and saved to
    QString documentName; // what the user opened: a path or a web address
    DocumentSource documentSource = DocumentSource::None;
};

} // namespace glasspane
