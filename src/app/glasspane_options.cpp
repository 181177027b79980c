#include "app/glasspane_options.h"

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
