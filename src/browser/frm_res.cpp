#include "browser/frm_res.h"

#include "document/document.h"

#include <QImageReader>

namespace glasspane {

namespace {

// Picture names by button kind, in the order of each bar's built-in list.
const char* const kRunNames[ToolRunCount] = {"play", "pause",  "prev", "next",
                                             "quit", "config", "nav",  "help"};
const char* const kNavNames[ToolNavCount] = {"back", "forward", "stop", "reload", "home", "play",
                                             "quit", "config",  "help", "grab",   "print"};

QString baseName(ToolBar bar, int kind)
{
    if (bar == ToolBar::Run)
        return kind >= 0 && kind < ToolRunCount ? QString::fromLatin1(kRunNames[kind]) : QString();
    return kind >= 0 && kind < ToolNavCount ? QString::fromLatin1(kNavNames[kind]) : QString();
}

bool readPicture(const QString& path, QPixmap& into)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    into = QPixmap::fromImage(image);
    return true;
}

} // namespace

frmRes::frmRes(QString resourceFolder) : m_resourceFolder(std::move(resourceFolder))
{
    for (int f = 0; f < 2; ++f) {
        m_run[f].resize(ToolRunCount);
        m_nav[f].resize(ToolNavCount);
    }
}

int frmRes::kindCount(ToolBar bar)
{
    return bar == ToolBar::Run ? int(ToolRunCount) : int(ToolNavCount);
}

QString frmRes::Tag(ToolBar bar, int kind, Face face)
{
    const QString base = baseName(bar, kind);
    if (base.isEmpty())
        return QString();
    return base + (face == Face::Highlighted ? QStringLiteral("_.gif") : QStringLiteral(".gif"));
}

QString frmRes::EmbeddedPath(ToolBar bar, int kind, Face face)
{
    const QString tag = Tag(bar, kind, face);
    return tag.isEmpty() ? QString() : QStringLiteral(":/icons/") + tag;
}

QPixmap* frmRes::holder(ToolBar bar, int kind, Face face)
{
    QVector<QPixmap>& list = (bar == ToolBar::Run ? m_run : m_nav)[face == Face::Normal ? 0 : 1];
    return kind >= 0 && kind < list.size() ? &list[kind] : nullptr;
}

void frmRes::loadAll()
{
    for (ToolBar bar : {ToolBar::Run, ToolBar::Nav})
        for (int kind = 0; kind < kindCount(bar); ++kind)
            for (Face face : {Face::Normal, Face::Highlighted})
                (void)loadBuiltIn(bar, kind, face);
}

bool frmRes::loadBuiltIn(ToolBar bar, int kind, Face face)
{
    QPixmap* into = holder(bar, kind, face);
    if (!into)
        return false;
    // The extracted copy; the embedded one when extraction failed, so that the bars never
    // lose their buttons.
    return readPicture(m_resourceFolder + QLatin1Char('/') + Tag(bar, kind, face), *into) ||
           readPicture(EmbeddedPath(bar, kind, face), *into);
}

bool frmRes::loadFile(ToolBar bar, int kind, Face face, const QString& path)
{
    QPixmap* into = holder(bar, kind, face);
    return into && !path.isEmpty() && readPicture(path, *into);
}

QPixmap frmRes::picture(ToolBar bar, int kind, Face face) const
{
    const QVector<QPixmap>& list =
        (bar == ToolBar::Run ? m_run : m_nav)[face == Face::Normal ? 0 : 1];
    return kind >= 0 && kind < list.size() ? list[kind] : QPixmap();
}

} // namespace glasspane
