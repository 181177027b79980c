#pragma once

#include "engine/frontend.h"

#include <QPixmap>
#include <QString>
#include <QVector>

namespace glasspane {

// The tool bar pictures: for every button kind of both bars a normal and a highlighted
// picture. The built-in ones are the icon files extracted into the resource folder, named by
// each holder's Tag; a document may load its own files over them. Never shown.
class frmRes
{
public:
    enum class Face { Normal, Highlighted };

    // resourceFolder: where the embedded files were extracted (no trailing '/').
    explicit frmRes(QString resourceFolder);

    // The built-in file name of a picture holder ("back.gif", "back_.gif").
    static QString Tag(ToolBar bar, int kind, Face face);
    // Where a built-in picture is embedded in the program, for when the extracted copy is
    // missing (":/icons/back.gif").
    static QString EmbeddedPath(ToolBar bar, int kind, Face face);
    static int kindCount(ToolBar bar);

    // Reloads every holder from the resource folder.
    void loadAll();
    // Reloads one holder from its built-in file. False when no picture could be read (the
    // holder keeps what it had).
    bool loadBuiltIn(ToolBar bar, int kind, Face face);
    // Loads a custom picture file into a holder. False when it cannot be read; the holder then
    // keeps its previous picture.
    bool loadFile(ToolBar bar, int kind, Face face, const QString& path);

    QPixmap picture(ToolBar bar, int kind, Face face) const;

private:
    QPixmap* holder(ToolBar bar, int kind, Face face);

    QString m_resourceFolder;
    QVector<QPixmap> m_run[2];
    QVector<QPixmap> m_nav[2];
};

} // namespace glasspane
