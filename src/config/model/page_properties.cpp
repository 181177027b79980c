#include "config/model/page_properties.h"

#include "document/page_cache.h"
#include "document/page_variables.h"
#include "document/text.h"

#include <algorithm>

namespace glasspane {

namespace {

const QString kSeparator = QStringLiteral("|");
const QString kPipeWord = QStringLiteral("{Pipe}");

// The lines joined by the separator, each "||" reduced once.
QString joinLines(QString lines)
{
    lines.replace(u'\n', kSeparator);
    lines.replace(QStringLiteral("||"), kSeparator);
    return lines;
}

QString splitList(const QString& list)
{
    return QString(list).replace(kSeparator, QStringLiteral("\n"));
}

bool isFolderKind(int type)
{
    return type == VarShortcuts || type == VarHtmlFiles;
}

} // namespace

QString ValueListLines(const QString& source)
{
    return splitList(source);
}

QString ValueListSource(const QString& lines)
{
    return joinLines(lines);
}

QString PatternLines(const QString& param)
{
    return splitList(param).replace(kPipeWord, kSeparator);
}

QString PatternParam(const QString& lines)
{
    return joinLines(QString(lines).replace(kSeparator, kPipeWord));
}

bool RangeSpanAllowed(const QString& from, const QString& to)
{
    const qint64 start = ToLong(from, 0);
    const qint64 end = ToLong(to, 0);
    return std::abs(end - start) <= kMaxRangeSpan;
}

QString CachedFileText(const QString& cacheFolder, const QString& address)
{
    if (!IsCacheableAddress(address))
        return QString();
    QString folder = cacheFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + u'\n' + CacheFileName(address);
}

PagePropsForm LoadPageProps(const PageEntry& page)
{
    PagePropsForm form;
    form.URL = page.URL;
    form.DefaultTime = page.DefaultTime;
    form.Time = QString::number(page.Time);
    form.Var1Type = page.Var1Type;
    form.Cached = page.Cached;
    form.SeparateProc = page.SeparateProc;
    switch (page.Var1Type) {
    case VarRange:
        form.SourceFrom = page.Var1Source;
        form.SourceTo = page.Var1Param;
        break;
    case VarList:
        form.SourceList = ValueListLines(page.Var1Source);
        break;
    case VarFile:
        form.SourceFile = page.Var1Source;
        form.ParamFile = PatternLines(page.Var1Param);
        form.CaseSensitive = page.Var1CaseSensitive;
        break;
    case VarFavorites:
        form.SubDirectories = page.Var1SubDirectories;
        break;
    case VarShortcuts:
    case VarHtmlFiles:
        // The folder the show takes: the parameter, or the source when it has none.
        form.SourceFile = page.Var1Param.trimmed().isEmpty() ? page.Var1Source : page.Var1Param;
        form.SubDirectories = page.Var1SubDirectories;
        break;
    default:
        break;
    }
    return form;
}

void KeepPageProps(PageEntry& page, const PagePropsForm& form)
{
    page.URL = form.URL;
    page.DefaultTime = form.DefaultTime;
    page.Time = std::max<qint32>(0, ToLong(form.Time, 0));
    page.Var1Type = qint16(form.Var1Type);
    page.Cached = form.Cached;
    page.SeparateProc = form.SeparateProc;
    switch (form.Var1Type) {
    case VarRange:
        page.Var1Source = form.SourceFrom;
        page.Var1Param = form.SourceTo;
        break;
    case VarList:
        page.Var1Source = ValueListSource(form.SourceList);
        break;
    case VarFile:
        page.Var1Source = form.SourceFile;
        page.Var1Param = PatternParam(form.ParamFile);
        page.Var1CaseSensitive = form.CaseSensitive;
        break;
    case VarFavorites:
    case VarShortcuts:
    case VarHtmlFiles:
        page.Var1Source = form.SourceFile;
        // A folder kept in the parameter would go on winning over the one just typed.
        if (isFolderKind(form.Var1Type) && !page.Var1Param.trimmed().isEmpty())
            page.Var1Param = form.SourceFile;
        page.Var1SubDirectories = form.SubDirectories;
        break;
    default:
        break;
    }
    if (page.URL.isEmpty() && form.Var1Type != VarNone)
        page.URL = QStringLiteral("$$");
}

} // namespace glasspane
