#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace glasspane {

// Edits one key of a key file ("[Group]" headers, "key=value" lines, '#' comments: desktop
// entries, mimeapps.list, display-manager configuration) held as its lines. change receives the
// key's current value (none when absent) and returns the new one, or none to remove the key.
// The key goes after the last entry of its group, which is added at the end when missing; every
// other line stays as it is.
void EditKeyFileValue(QStringList& lines, const QString& group, const QString& key,
                      const std::function<std::optional<QString>(std::optional<QString>)>& change);

// The lines of a file's text (without the empty string after its last line end), and back.
QStringList KeyFileLines(const QByteArray& file);
QByteArray KeyFileText(const QStringList& lines);

} // namespace glasspane
