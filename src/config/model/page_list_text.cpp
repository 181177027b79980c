#include "config/model/page_list_text.h"

#include "config/model/config_form.h"

#include <QStringList>

namespace glasspane {

QString PageListText(const QVector<PageEntry>& pages)
{
    QString text;
    for (const PageEntry& page : pages) {
        if (!page.URL.isEmpty())
            text += page.URL + u'\n';
    }
    return text;
}

QString PlayListText(const QVector<PlayEntry>& playList, int* lineCount)
{
    QString text;
    int count = 0;
    for (qsizetype i = 1; i < playList.size(); ++i) {
        if (playList.at(i).URL.isEmpty())
            continue;
        text += playList.at(i).URL + u'\n';
        ++count;
    }
    if (lineCount)
        *lineCount = count;
    return text;
}

QVector<PageEntry> PagesFromText(const QString& text, const QVector<PageEntry>& oldPages,
                                 qint32 defaultTime)
{
    QVector<PageEntry> pages;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        PageEntry page = NewPageEntry(defaultTime);
        page.URL = line;
        const auto old = std::find_if(oldPages.cbegin(), oldPages.cend(),
                                      [&line](const PageEntry& p) { return p.URL == line; });
        if (old != oldPages.cend())
            page = *old;
        pages.append(page);
    }
    return pages;
}

QString DisplayPageListCaption(int lineCount)
{
    return QStringLiteral("&Display page list - %1 line%2")
        .arg(lineCount)
        .arg(lineCount >= 2 ? QStringLiteral("s") : QString());
}

} // namespace glasspane
