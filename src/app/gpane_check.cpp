#include "app/gpane_check.h"

#include "app/gpane_document.h"
#include "document/document_check.h"

#include <QFile>
#include <QTextStream>

namespace glasspane {

int RunCheck(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty() ||
        arguments.first().startsWith(QLatin1Char('-'))) {
        err << "usage: gpane check DOCUMENT\n";
        err.flush();
        return 2;
    }
    const QString shown = arguments.first();
    GpaneDocument document;
    if (!document.load(shown, err))
        return 2;
    QFile file(document.file());
    if (!file.open(QIODevice::ReadOnly)) {
        err << "gpane: cannot read the document " << shown << ": " << file.errorString() << '\n';
        err.flush();
        return 2;
    }
    CheckContext context{
        document.services(),
        document.doc(),
        document.file(),
        GpaneDocument::builtInFiles(),
        document.localPages(),
        [&document](const QString& address) { return document.fetchProblem(address); }};
    const QList<CheckFinding> findings = CheckDocument(file.readAll(), context);
    bool errors = false;
    for (const CheckFinding& f : findings) {
        const bool error = f.severity == CheckFinding::Severity::Error;
        errors = errors || error;
        out << shown << ':' << f.line << ": " << (error ? "error: " : "warning: ") << f.text << " ["
            << CheckKindName(f.kind) << "]\n";
    }
    out.flush();
    return errors ? 1 : 0;
}

} // namespace glasspane
