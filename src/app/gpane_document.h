#pragma once

#include "document/document.h"

#include <QSet>
#include <QString>
#include <memory>

class QTextStream;

namespace glasspane {

class IniFiles;
struct ProgramValues;

// A document loaded as the show would load it, for the gpane commands, with every change
// refused: the settings the show would read (nothing written back), value files through the
// page cache and the update policy the show applies (cached copies read where they are, what
// is fetched kept in a scratch folder), network shares through gio (disconnected again at the
// end). Nothing is written anywhere.
class GpaneDocument
{
public:
    GpaneDocument();
    ~GpaneDocument();
    GpaneDocument(const GpaneDocument&) = delete;
    GpaneDocument& operator=(const GpaneDocument&) = delete;

    // argument: a path (a relative one from the current folder), a file:// or web address, or
    // "--default" for the built-in default document. On failure one line on err, and false.
    bool load(const QString& argument, QTextStream& err);

    DocumentState& doc();
    DocumentServices& services();
    ProgramValues& program();
    IniFiles& ini();
    // The local file that was read; "" for the built-in document.
    QString file() const;
    // The document's name as given (a path made absolute, or the web address).
    QString name() const;
    // The pages the include list lets through whatever it holds: the built-in pages and the
    // cached copies of the show's pages.
    LocalPages localPages() const;
    // Why the show fetched no value file from a web address ("the server answered HTTP 404");
    // "" when it did, or did not try.
    QString fetchProblem(const QString& address) const;

    // The names of the files the program carries (built-in pages and pictures), in lower case:
    // a relative name of one of them is found in the resource folder while the show runs.
    static QSet<QString> builtInFiles();

private:
    struct Parts;
    std::unique_ptr<Parts> d;
};

} // namespace glasspane
