#include "engine/tool_actions.h"

#include "document/document.h"
#include "document/ini_files.h"
#include "document/paths.h"
#include "document/program_values.h"

namespace glasspane {

namespace {

// The name of a page section not yet in the file. Usually "Page" + the new page's number; a
// hand-written document may already hold a section of that name (a page without address, a
// page numbered out of order), whose other keys must not be taken over.
QString freePageSection(int number, const QString& documentPath)
{
    const QStringList sections = IniFiles::ReadSectionNames(documentPath);
    QString name;
    do {
        name = QStringLiteral("Page") + QString::number(number++);
    } while (sections.contains(name, Qt::CaseInsensitive));
    return name;
}

} // namespace

GrabResult GrabPage(const QString& locationUrl, DocumentState& doc, IniFiles& ini,
                    const ProgramValues& program)
{
    // An entry without an address would be dropped when the document is read again.
    if (locationUrl.trimmed().isEmpty())
        return GrabResult::NothingShown;

    PageEntry page;
    page.URL = locationUrl;
    page.DefaultTime = true;
    page.Time = doc.DefaultTime;
    page.Var1Type = 0;
    page.Var1Source = QStringLiteral("");
    page.Var1Param = QStringLiteral("");
    page.Cached = false;
    page.SeparateProc = true;

    PlayEntry play;
    play.URL = locationUrl;
    play.DefaultTime = true;
    play.Time = doc.DefaultTime;
    play.Cached = false;
    play.SeparateProc = true;
    play.SourcePage = qint32(doc.PageList.size()); // the index the page gets below

    doc.PlayList.append(play);
    doc.PageList.append(page);

    const QString section = freePageSection(doc.pageCount(), program.documentPath);
    const bool written = ini.WriteIni(section, QStringLiteral("URL"),
                                      MakeRelativePath(locationUrl, program), program.documentPath);
    if (!written)
        return GrabResult::NotWritten;
    doc.SectionList += section + kSectionListMark;
    return GrabResult::Added;
}

} // namespace glasspane
