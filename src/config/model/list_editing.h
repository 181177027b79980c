#pragma once

#include "document/document.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <algorithm>
#include <utility>

namespace glasspane {

struct ExpansionContext;

// The list editors of the configuration dialog, on the working lists. Indexes are list box
// indexes from 0; -1 means no selection. Each operation returns the index to select.
namespace ListEditing {

// A new entry before the selected one, or first when nothing is selected.
template <typename List, typename Item> int insert(List& list, int selected, Item item)
{
    const int at = selected >= 0 && selected < int(list.size()) ? selected : 0;
    list.insert(at, std::move(item));
    return at;
}

// Removes the selected entry: the entry that takes its place is selected, or the new last one
// when the last was removed; -1 when the list is now empty or nothing was selected.
template <typename List> int remove(List& list, int selected)
{
    if (selected < 0 || selected >= int(list.size()))
        return -1;
    list.removeAt(selected);
    return std::min(selected, int(list.size()) - 1);
}

// Exchanges the selected entry with the one above or below it; the moved entry stays selected.
// A selection beyond the list (the address box item that follows the navigation bar's buttons)
// moves nothing.
template <typename List> int moveUp(List& list, int selected)
{
    if (selected < 1 || selected >= int(list.size()))
        return selected;
    list.swapItemsAt(selected - 1, selected);
    return selected - 1;
}
template <typename List> int moveDown(List& list, int selected)
{
    if (selected < 0 || selected + 1 >= int(list.size()))
        return selected;
    list.swapItemsAt(selected, selected + 1);
    return selected + 1;
}

// Whether Up and Down are enabled for a selection in a list of count entries.
inline bool canMoveUp(int selected, int count)
{
    return selected >= 1 && selected < count;
}
inline bool canMoveDown(int selected, int count)
{
    return selected >= 0 && selected + 1 < count;
}

} // namespace ListEditing

// The View button of the page list: for a page with a variable (and variables on), each press
// shows the next address of the page's expansion. The values are worked out on the first press
// and again once when they run out; when there are still none, the page's address is shown with
// an empty value.
class ExpansionStepper
{
public:
    // The address to show for page (identified by its list index).
    QString next(PageEntry& page, int index, const ExpansionContext& context);
    void reset();

private:
    QStringList takeValues(PageEntry& page, const ExpansionContext& context);

    int m_index = -1;
    QString m_url;
    QStringList m_values;
    int m_position = 0;
};

} // namespace glasspane
