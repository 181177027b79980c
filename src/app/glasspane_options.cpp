#include "app/glasspane_options.h"

#include "document/document_files.h"
#include "engine/start_up.h"

#include <QDir>
#include <QTemporaryFile>

namespace glasspane {

QString UnknownOption(QStringList& arguments)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--")) {
        arguments.removeFirst();
        return QString();
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (word == QLatin1String("--help") || word == QLatin1String("--version"))
            continue;
        if (word.startsWith(QLatin1String("--")) ||
            (i == 0 && word.startsWith(u'-') && CommandLineSwitch(word).isEmpty()))
            return word;
    }
    return QString();
}

ControlRequest HandOverRequest(const StartupRequest& request, const QString& startFolder)
{
    if (request.mode != RunMode::Document || request.documentPath.isEmpty())
        return {QStringLiteral("raise"), {}};
    QString folder = startFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return {QStringLiteral("open"), AbsoluteDocumentPath(request.documentPath, folder)};
}

QString TakeScreenshotFolder(QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at < 0)
        return QString();
    QString folder;
    if (at + 1 < arguments.size())
        folder = arguments.takeAt(at + 1);
    arguments.removeAt(at);
    return folder;
}

QString ScreenshotFolderProblem(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder cannot be made");
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".glasspane-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    return QString();
}

} // namespace glasspane
