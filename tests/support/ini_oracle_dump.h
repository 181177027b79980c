#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace glasspane {

class IniFiles;

// What a reader finds in an INI file, in the form the Windows program tests/wine/ini_oracle.c
// prints what the Windows private-profile functions find, so that the two can be compared
// line by line:
//     file NAME
//     section NAME      the lines above the first header (NAME empty), then each listed section
//     key NAME=VALUE    each key listed for the section, with the value read for its name
//     probe NAME=VALUE  the value read for each probe name
// Characters outside printable ASCII, and '\', are written \uXXXX.
QString IniOracleDump(IniFiles& ini, const QString& path, const QString& name,
                      const QStringList& probes);

// The blocks of the oracle's output by file name, each from its "file" line on.
QHash<QString, QString> SplitIniOracleOutput(const QString& output);

// The probe names of a block, in its order.
QStringList IniOracleProbes(const QString& block);

} // namespace glasspane
