#pragma once

#include <QString>

namespace glasspane {

struct DocumentServices;
struct DocumentState;

struct DocumentChoice
{
    QString documentPath;
    bool isDefaultDocument = false;
    // The document came from a browser's download cache and was copied into the documents
    // folder; the copy is now the default document and the program is to become the system
    // screen saver.
    bool copiedFromBrowserCache = false;
};

// The document named by the command line (the text after the program's name): the default
// document for no argument, a switch (a word of its own: "/srv/a.gpn" is a path) or the word
// CONFIG; otherwise the first word, which may be
// quoted and, unquoted, is the whole line (so a path with blanks needs no quotes). A document in
// a browser's download cache is copied into the documents folder under a free name ("1" put in
// front until none is taken) and stored as the DefaultFile setting.
DocumentChoice ChooseDocument(const QString& commandLine, DocumentServices& services);

} // namespace glasspane
