#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace glasspane {

// One value of a key. item ties it to the line of the file that gave it (0 for a value the
// program added); a value the program changed is written in the program's own form.
struct RegValueEntry
{
    QString name;
    RegValue value;
    int item = 0;
    bool changed = false;
};

// One key of a hive: its name as first written, its values and subkeys in the order they were
// added. Names are found without regard to case; a key with many values or subkeys keeps an
// index of them (case-folded name -> position).
struct RegKeyNode
{
    QString name;
    std::vector<RegValueEntry> values;
    std::vector<RegKeyNode> children;
    QHash<QString, int> valueIndex;
    QHash<QString, int> childIndex;
    // Each key made gets a number of its own, so that the file's sections of a key deleted and
    // made again are told apart from the new key's.
    quint64 birth = 0;
    // Made only as the parent of a key that the file names: it needs no section of its own.
    bool implicit = false;
};

// Finding keys and values by name, without regard to case.
namespace regtree {

// Keys and values beyond this many are found through an index rather than one by one.
constexpr size_t kIndexFrom = 8;

inline QString folded(QStringView name)
{
    return name.toString().toCaseFolded();
}

inline bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Position of the entry named name in items (each with a .name), -1 when there is none.
template <typename Items>
int positionOf(const Items& items, const QHash<QString, int>& index, QStringView name)
{
    if (!index.isEmpty())
        return index.value(folded(name), -1);
    for (size_t i = 0; i < items.size(); ++i) {
        if (sameName(items[i].name, name))
            return int(i);
    }
    return -1;
}

template <typename Node> auto findChild(Node& node, QStringView name)
{
    const int at = positionOf(node.children, node.childIndex, name);
    return at < 0 ? node.children.end() : node.children.begin() + at;
}
template <typename Node> auto findValue(Node& node, QStringView name)
{
    const int at = positionOf(node.values, node.valueIndex, name);
    return at < 0 ? node.values.end() : node.values.begin() + at;
}

template <typename Items> void reindex(const Items& items, QHash<QString, int>& index)
{
    index.clear();
    if (items.size() <= kIndexFrom)
        return;
    index.reserve(qsizetype(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        index.insert(folded(items[i].name), int(i));
}

// Appends an entry, keeping the index (made once there are enough entries).
template <typename Items, typename Item>
void append(Items& items, QHash<QString, int>& index, Item&& item)
{
    items.push_back(std::forward<Item>(item));
    if (!index.isEmpty())
        index.insert(folded(items.back().name), int(items.size() - 1));
    else if (items.size() > kIndexFrom)
        reindex(items, index);
}

// Visits every key, each before its subkeys, without recursion (keys may nest deeply). path
// holds the root's name and the names down to the key.
template <typename Visit>
void walkKeys(const RegKeyNode& root, const QString& rootName, Visit&& visit)
{
    std::vector<std::pair<const RegKeyNode*, int>> pending{{&root, 0}};
    QStringList path{rootName};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        path.resize(depth + 1);
        if (node != &root)
            path.append(node->name);
        visit(*node, std::as_const(path));
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.emplace_back(&*it, int(path.size()) - 1);
    }
}

} // namespace regtree

} // namespace glasspane
