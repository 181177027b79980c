#pragma once

#include <QByteArray>
#include <QString>

namespace glasspane {

// The user's mimeapps.list (freedesktop.org MIME applications associations) with desktopId as
// the default application for mimeType: first in [Default Applications] and in [Added
// Associations], and no longer in [Removed Associations]. The other applications of those
// lists stay, after it; every other line stays as written; missing groups are added.
QByteArray MakeDefaultApplication(const QByteArray& file, const QString& mimeType,
                                  const QString& desktopId);

} // namespace glasspane
