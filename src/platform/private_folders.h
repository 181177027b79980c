#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

// Folders of the user's own that nobody else may enter, made without ever following a link:
// where the program writes files that other users must neither read nor replace.
class PrivateFolders
{
public:
    virtual ~PrivateFolders() = default;

    // A folder at path that nobody else may enter: made when missing (with its missing
    // parents), closed when open. A link standing at that name is removed, never followed.
    // False when something else holds the name, or someone else owns the folder.
    [[nodiscard]] virtual bool makeOwnFolder(const QString& path) = 0;
    // The folders from base (which must exist) down to path, made one level at a time, never
    // through a link; those made are appended to created, parents first. False when one cannot
    // be made, or a link or anything but a folder of ours stands on the way.
    [[nodiscard]] virtual bool makeFoldersBelow(const QString& base, const QString& path,
                                                QStringList* created) = 0;
};

} // namespace glasspane
