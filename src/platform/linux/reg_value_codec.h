#pragma once

#include "platform/registry.h"

#include <QString>
#include <QStringView>

// The text of a value in a .reg file: "name"=data lines, read and written.
namespace glasspane::regcodec {

// A string value that a .reg file can hold between quotes on one line (its text in *text);
// anything else is written as hex(1) so it survives intact.
bool plainString(const QByteArray& data, QString* text);
// The text between double quotes, with '\\' and '"' escaped.
QString quoted(const QString& text);
// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool readQuoted(QStringView line, qsizetype& pos, QString* text);
void skipBlanks(QStringView line, qsizetype& pos);
// A value's line as the program writes it (long data wrapped with newline), without a line end.
QString valueLine(const QString& name, const RegValue& value, const QString& newline);
// The value of a "name"=data line (data as it follows the '='); false when it is none.
bool parseData(QStringView data, RegValue* value);
// A name that a .reg line can hold.
bool storableName(const QString& name);
// The name of a "name"=... value line ("" for '@' and for a line that is none).
QString valueNameOf(QStringView line);

} // namespace glasspane::regcodec
