#include "browser/embedded_files.h"

#include "document/text.h"
#include "platform/log.h"
#include "platform/private_folders.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The embedded files are compiled into this static library; registering them pulls them into
// the program (registering again is harmless).
static void registerEmbeddedFiles()
{
    Q_INIT_RESOURCE(resources);
}

namespace glasspane {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kSlash = QStringLiteral("/");
// The built-in document, when one is kept there.
const QString kDocument = QStringLiteral("/Gpane.GPN");

// Names written on Windows use '\'.
QString withSlashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

qint32 fieldCount(const QString& path)
{
    return TokenCount(path, kSlash);
}

// The text up to and including its last '/', "" when it has none.
QString folderPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

bool isAbsoluteLocation(const QString& name)
{
    static const char* const schemes[] = {"http://", "file://", "ftp://", "mailto:"};
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return true;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return true;
    for (const char* scheme : schemes) {
        if (name.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

bool ExtractResource(qint32 nameId, const QString& nameText, qint32 typeId, const QString& typeText,
                     const QString& fileName)
{
    registerEmbeddedFiles();
    const QString type = typeText.isEmpty() ? QString::number(typeId) : typeText;
    const QString name = nameText.isEmpty() ? QString::number(nameId) : nameText;
    QFile resource(QStringLiteral(":/") + type + kSlash + name);
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = resource.readAll();
    // A fresh file, never through whatever (a link, say) had the name before: it is not
    // followed, and a file cut short by a full disk goes again.
    QFile::remove(fileName);
    QString error;
    if (WriteNewFile(fileName, bytes, &error))
        return true;
    qCWarning(lcGlasspane, "cannot write %s (%s)", qUtf8Printable(fileName), qUtf8Printable(error));
    return false;
}

ResourceIndex ReadResourceIndex(const QString& indexFile)
{
    ResourceIndex index;
    QFile file(indexFile);
    if (!file.open(QIODevice::ReadOnly))
        return index;
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        return index;

    // Lines end in CR LF; a last line without one still counts.
    QStringList lines = QString::fromUtf8(data).split(QStringLiteral("\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (lines.isEmpty())
        return index;

    const QString header = lines.takeFirst();
    const qint32 headerFields = TokenCount(header, kTab);
    for (int i = 1; i <= headerFields; ++i) {
        const QString field = TokenAt(header, i, kTab).toUpper();
        if (field == QLatin1String("TYPEID"))
            index.TYPEID = i;
        else if (field == QLatin1String("TYPESTR"))
            index.TYPESTR = i;
        else if (field == QLatin1String("NAMEID"))
            index.NAMEID = i;
        else if (field == QLatin1String("NAMESTR"))
            index.NAMESTR = i;
        else if (field == QLatin1String("FILENAME"))
            index.FILENAME = i;
    }

    for (const QString& line : lines) {
        ResourceIndex::Row row;
        for (int i = 1; i < ResourceIndex::kColumns; ++i)
            row[i] = TokenAt(line, i, kTab).trimmed();
        index.rows.append(row);
    }
    return index;
}

void FixResourceFileNames(ResourceIndex& index, const QString& resourceFolder)
{
    const QString folder = resourceFolder + kSlash;
    for (ResourceIndex::Row& row : index.rows) {
        QString& name = row[index.FILENAME];
        if (index.FILENAME == 0 || name.isEmpty()) {
            name.clear();
            continue;
        }
        if (isAbsoluteLocation(name)) {
            // Case counts: the folder's name in other letters is another folder here.
            if (!withSlashes(name).startsWith(folder, Qt::CaseSensitive)) {
                name.clear();
                continue;
            }
            name = withSlashes(name);
        } else {
            name = folder + withSlashes(name);
        }
        // No way out of the folder: no ".." anywhere in the part below it.
        const QStringList parts = name.mid(folder.size()).split(QLatin1Char('/'));
        if (parts.contains(QStringLiteral("..")))
            name.clear();
    }
    index.rows[0][0].clear();
}

ResourceIndex ExtractEmbeddedFiles(const QString& resourceFolder, PrivateFolders& folders)
{
    if (!folders.makeOwnFolder(resourceFolder)) {
        qCWarning(lcGlasspane) << "the resource folder is not a folder of ours; nothing extracted:"
                               << resourceFolder;
        return ResourceIndex();
    }
    const QString indexFile = resourceFolder + QStringLiteral("/res.txt");
    const bool indexWritten =
        ExtractResource(kEmbeddedIndexId, QString(), kEmbeddedType, QString(), indexFile);
    ResourceIndex index = ExtractIndexedFiles(resourceFolder, folders);
    if (indexWritten)
        index.writtenFiles.prepend(indexFile);
    return index;
}

ResourceIndex ExtractIndexedFiles(const QString& resourceFolder, PrivateFolders& folders)
{
    ResourceIndex index = ReadResourceIndex(resourceFolder + QStringLiteral("/res.txt"));
    FixResourceFileNames(index, resourceFolder);
    index.documentWasThere = QFileInfo::exists(resourceFolder + kDocument);

    const qint32 baseFields = fieldCount(resourceFolder + kSlash);
    for (int r = 0; r < index.rows.size(); ++r) {
        const QString name = index.fileName(r);
        if (name.isEmpty())
            continue;
        const QString folder = folderPart(name);
        if (fieldCount(folder) > baseFields &&
            !folders.makeFoldersBelow(resourceFolder, folder, &index.madeFolders))
            continue;
        const ResourceIndex::Row& row = index.rows.at(r);
        if (ExtractResource(ToLong(row.at(index.NAMEID), 0), row.at(index.NAMESTR), kEmbeddedType,
                            QString(), name))
            index.writtenFiles.append(name);
    }
    return index;
}

void RemoveEmbeddedFiles(const ResourceIndex& index, const QString& resourceFolder)
{
    // Removing a link removes the link: nothing is followed. A file's own mode does not matter.
    for (const QString& file : index.writtenFiles)
        QFile::remove(file);
    if (!index.documentWasThere)
        QFile::remove(resourceFolder + kDocument);
    for (auto folder = index.madeFolders.crbegin(); folder != index.madeFolders.crend(); ++folder)
        QDir().rmdir(*folder);
    // The folder goes when it is left empty, unless nothing was extracted into it (it was not
    // made ours then).
    if (!index.writtenFiles.isEmpty())
        QDir().rmdir(resourceFolder);
}

} // namespace glasspane
