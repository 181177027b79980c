#include "browser/document_choice.h"

#include "document/document_files.h"
#include "document/settings.h"
#include "document/text.h"
#include "engine/start_up.h"

namespace glasspane {

DocumentChoice ChooseDocument(const QString& commandLine, DocumentServices& services)
{
    DocumentChoice choice;
    const QString trimmed = commandLine.trimmed();
    // A switch is a word of its own: "/srv/show.gpn" is a path here, not "/S".
    if (trimmed.isEmpty() || !CommandLineSwitch(trimmed).isEmpty() ||
        trimmed.compare(QLatin1String("CONFIG"), Qt::CaseInsensitive) == 0) {
        choice.documentPath = DefaultDocumentPath(services);
        choice.isDefaultDocument = true;
        return choice;
    }

    QString line = commandLine;
    if (!line.startsWith(QLatin1Char('"')))
        line = QLatin1Char('"') + line + QLatin1Char('"');
    QString path = CommandLineItem(line, 1);
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    // A path relative to the folder the program was started in means that place, wherever
    // the name is kept (recent list, DefaultFile, the document's own relative paths).
    path = AbsoluteDocumentPath(path, services.program.startFolder);
    choice.documentPath = path;

    if (SameDocument(path, DefaultDocumentPath(services))) {
        choice.isDefaultDocument = true;
        return choice;
    }
    if (IsInBrowserCache(path)) {
        const QString copy =
            CopyIntoFolder(path, DocumentsFolder(services.registry, services.shell));
        // Without a copy the document is shown from where it is.
        if (copy.isEmpty())
            return choice;
        choice.documentPath = copy;
        (void)services.settings.write(keys::DefaultFile, copy);
        choice.isDefaultDocument = true;
        choice.copiedFromBrowserCache = true;
    }
    return choice;
}

} // namespace glasspane
