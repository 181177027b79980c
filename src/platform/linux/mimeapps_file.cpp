#include "platform/linux/mimeapps_file.h"

#include "platform/linux/key_file_edit.h"

namespace glasspane {

namespace {

QStringList listOf(const std::optional<QString>& value)
{
    return value ? value->split(u';', Qt::SkipEmptyParts) : QStringList();
}

std::optional<QString> valueOf(const QStringList& list)
{
    return list.isEmpty() ? std::nullopt : std::optional<QString>(list.join(u';') + u';');
}

} // namespace

QByteArray MakeDefaultApplication(const QByteArray& file, const QString& mimeType,
                                  const QString& desktopId)
{
    QStringList lines = KeyFileLines(file);
    auto first = [&desktopId](const std::optional<QString>& value) {
        QStringList list = listOf(value);
        list.removeAll(desktopId);
        list.prepend(desktopId);
        return valueOf(list);
    };
    EditKeyFileValue(lines, QStringLiteral("Default Applications"), mimeType, first);
    EditKeyFileValue(lines, QStringLiteral("Added Associations"), mimeType, first);
    EditKeyFileValue(lines, QStringLiteral("Removed Associations"), mimeType,
                     [&desktopId](const std::optional<QString>& value) {
                         QStringList list = listOf(value);
                         list.removeAll(desktopId);
                         return valueOf(list);
                     });
    return KeyFileText(lines);
}

} // namespace glasspane
