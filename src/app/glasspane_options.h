#pragma once

#include "platform/control_message.h"

#include <QString>
#include <QStringList>

namespace glasspane {

struct StartupRequest;

// What a second start asks of the copy that already runs: "open" with the document, made
// absolute from startFolder, when it was started with one; otherwise "raise".
ControlRequest HandOverRequest(const StartupRequest& request, const QString& startFolder);

// Removes "--screenshots FOLDER" from the arguments and returns the folder ("" when absent).
QString TakeScreenshotFolder(QStringList& arguments);

// "" when pictures can be saved in folder (made when missing), else why not.
QString ScreenshotFolderProblem(const QString& folder);

} // namespace glasspane
