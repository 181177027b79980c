#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace glasspane {

struct IniCorpusFile
{
    QString name;
    QByteArray bytes;
};

// Documents spelled every way Windows tools take them: the known odd cases one by one, then
// count random mixes made from seed (headers with blanks, brackets and text after them, keys
// without '=', quotes, comments, every line end, byte-order marks, Ctrl-Z, NUL, no-break spaces,
// long lines, in Windows-1252, UTF-8 and UTF-16). Files without a byte-order mark are never
// valid UTF-8 when they hold other than ASCII, since such files are read as UTF-8 here and in
// the ANSI code page by Windows, by design. Names differ in letter case in ASCII letters only,
// which is all Wine compares without regard to case.
QList<IniCorpusFile> IniCorpus(quint32 seed, int count);

// The key names every section of the corpus is asked for.
QStringList IniCorpusProbes();

} // namespace glasspane
