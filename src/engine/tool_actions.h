#pragma once

#include <QString>

namespace glasspane {

class IniFiles;
struct DocumentState;
struct ProgramValues;

// What GrabPage did.
enum class GrabResult {
    Added,        // appended and written to the document file
    NotWritten,   // appended in memory, but the document file could not be written
    NothingShown, // no page on screen: nothing appended
};

// Appends the page on screen (locationUrl) to the document: a play-list entry and a page-list
// entry with the document's default time, and the page's URL written at once into a new page
// section of program.documentPath (stored relative where it lies under a known folder).
// Grabbing the same page twice adds it twice.
[[nodiscard]] GrabResult GrabPage(const QString& locationUrl, DocumentState& doc, IniFiles& ini,
                                  const ProgramValues& program);

} // namespace glasspane
