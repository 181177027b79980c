#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace glasspane {

// Reading and writing INI files (documents, SYSTEM.INI, shortcut files) the way the Windows
// private-profile functions do, which is what existing documents were written for: lines,
// names and values are read as ini_lines.h says (the first section and the first key of a
// name count; a key without '=' reads as empty and hides later ones of its name).
// - a write replaces the value in place, adds the key at the end of its section, or adds the
//   section at the end of the file; every line it does not touch stays exactly as it was;
// - files are read as UTF-16 or UTF-8 after a byte-order mark, else as UTF-8 when valid, else
//   as Windows-1252, and written back the same way.
// A file is parsed once and kept until it changes on disk or is written. Each write is saved
// at once, atomically (temporary file and rename), unless a Batch is open on the file, in which
// case the file is saved once when the batch ends.
//
// Further rules of this implementation:
// - values are kept whole, however long; a written value reads back as it was: one with blanks
//   around it or enclosed in quotes is written in double quotes, and line breaks and NULs,
//   which a value cannot hold, become blanks;
// - added lines use the file's own line ends; a new file gets CRLF, like documents made on
//   Windows, and UTF-8; a Windows-1252 file that is given a character the code page lacks
//   becomes UTF-8 rather than lose it;
// - the disk is checked for changes at every read, except within a quick burst of reads of one
//   file (such as a whole document being read), where it is checked at most every 50 ms;
// - a failed save leaves the file on disk as it was and forgets the parsed copy, so that later
//   reads show the disk, not the lost change.
class IniFiles
{
public:
    IniFiles();
    ~IniFiles();
    IniFiles(const IniFiles&) = delete;
    IniFiles& operator=(const IniFiles&) = delete;

    // "" for a missing file, section or key. A blank section names the lines above the first
    // section header.
    QString ReadIni(const QString& section, const QString& key, const QString& file);
    // ReadIni of several keys of one section, their values in the order of keys: the file and
    // the section are looked up once.
    QStringList ReadIniKeys(const QString& section, const QStringList& keys, const QString& file);
    // Does nothing when section or key is blank. A null value (QString()) deletes the key, a
    // null key deletes the section; an empty value writes "key=". False when the file could
    // not be saved (the file on disk is then unchanged), when it exists but cannot be read, or
    // when the names cannot be stored (a section holding ']', a key holding '=' or beginning
    // with ';' or '[', line breaks or NULs in either). A missing file is created, but not its
    // folder.
    [[nodiscard]] bool WriteIni(const QString& section, const QString& key, const QString& value,
                                const QString& file);
    // Deletes a whole section.
    [[nodiscard]] bool DeleteSection(const QString& section, const QString& file);

    // One section of a new arrangement: its name, and the section whose lines it takes ("" or
    // a name that is not there: a new, empty section).
    struct SectionPlan
    {
        QString name;
        QString source;
    };
    // Gives the sections that are members (isMember(name)) a new order and new names, keeping
    // everything they hold: plan[i] becomes the i-th of them, holding every line of its source
    // (the first member of that name; a copy when a source serves twice). Members no plan
    // names go. The arranged sections stand where the first member stood, else at the end.
    [[nodiscard]] bool ArrangeSections(const QString& file,
                                       const std::function<bool(const QString&)>& isMember,
                                       const QList<SectionPlan>& plan);
    // Saves pending changes of a file and forgets its parsed copy, so the next read sees the
    // disk. False when pending changes could not be saved.
    [[nodiscard]] bool FlushIni(const QString& file);
    // Why the last save that failed failed ("Permission denied").
    QString errorString() const;
    // A failed save is said on the log once (path and reason) for as long as the same reason
    // lasts. A file already said to be unwritable (a warning at start) is not said again until
    // it has been saved.
    void failureAlreadySaid(const QString& file);

    // A file this program must never change (one that is not a document): every write to it
    // fails and leaves it as it is.
    void setReadOnly(const QString& file, bool readOnly);
    bool isReadOnly(const QString& file);

    // The names of the keys of a section that have a value, in file order, duplicates
    // included, comments left out: what Windows lists for a section (found by its name as
    // given, blanks included).
    QStringList ReadKeyNames(const QString& section, const QString& file);

    // The section names in file order, duplicates included, sections without a name left out;
    // a fresh scan of the file.
    static QStringList ReadSectionNames(const QString& file);
    // ReadSectionNames, each name followed by separator.
    static QString ReadSectionList(const QString& file, const QString& separator);

    // Defers saving of one file until the batch ends; nests.
    class Batch
    {
    public:
        Batch(IniFiles& files, const QString& file);
        ~Batch();
        // Ends the batch and saves; false when the save failed.
        [[nodiscard]] bool commit();

    private:
        IniFiles& m_files;
        QString m_file;
        bool m_open = true;
    };

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace glasspane
