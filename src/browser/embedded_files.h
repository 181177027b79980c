#pragma once

#include <QString>
#include <QVector>
#include <array>

namespace glasspane {

class PrivateFolders;

// Resource type of the embedded files (binary data).
inline constexpr qint32 kEmbeddedType = 10;
// The resource that lists the others: a tab-separated table, header first.
inline constexpr qint32 kEmbeddedIndexId = 101;

// Loads one embedded resource (by nameText when not empty, else by nameId; in typeText when not
// empty, else typeId) and writes its bytes to fileName, replacing the file (a link standing
// there is replaced, never written through). Nothing is written when the resource does not
// exist. False when nothing was written.
bool ExtractResource(qint32 nameId, const QString& nameText, qint32 typeId, const QString& typeText,
                     const QString& fileName);

// The index of the extracted files as read back from res.txt.
struct ResourceIndex
{
    static constexpr int kColumns = 11;
    using Row = std::array<QString, kColumns>;

    // Row 0 is always empty; the data lines are rows 1 and up.
    QVector<Row> rows = QVector<Row>(1);
    // Column of each known header, 0 when the header is absent (cell 0 is always empty).
    int TYPEID = 0;
    int TYPESTR = 0;
    int NAMEID = 0;
    int NAMESTR = 0;
    int FILENAME = 0;

    QString fileName(int row) const { return rows.at(row).at(FILENAME); }

    // What this run wrote, for the clean-up, which removes nothing else: the files (res.txt
    // among them) and the folders it made below the resource folder, parents first; and
    // whether Gpane.GPN was there before.
    QStringList writtenFiles;
    QStringList madeFolders;
    bool documentWasThere = true;
};

// Reads an index file: header line, then one row per line (the index's trailing NUL bytes make
// a last row without a file name). A missing file gives the single empty row.
ResourceIndex ReadResourceIndex(const QString& indexFile);

// Turns every row's file name into the full path in resourceFolder, or empties it when the name
// would lead outside that folder (absolute paths elsewhere, drive letters, web addresses,
// "..").
void FixResourceFileNames(ResourceIndex& index, const QString& resourceFolder);

// Reads resourceFolder/res.txt and extracts every file it lists (creating the sub-folders it
// names, never through a link). Errors are ignored; the index is returned for the clean-up.
ResourceIndex ExtractIndexedFiles(const QString& resourceFolder, PrivateFolders& folders);
// Makes resourceFolder a folder of the user's own that nobody else may enter (a link standing
// at that name is removed, never followed), writes resource 101 to resourceFolder/res.txt,
// then ExtractIndexedFiles. Nothing is extracted when the folder cannot be made so.
ResourceIndex ExtractEmbeddedFiles(const QString& resourceFolder, PrivateFolders& folders);

// Deletes what the extraction wrote (res.txt included), the built-in document Gpane.GPN when
// it was not there before, the sub-folders it made and, when it is then empty, resourceFolder
// itself. What another run or someone else put there stays. Errors are ignored.
void RemoveEmbeddedFiles(const ResourceIndex& index, const QString& resourceFolder);

} // namespace glasspane
