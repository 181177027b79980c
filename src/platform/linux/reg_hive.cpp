#include "platform/linux/reg_hive.h"

#include "platform/linux/reg_value_codec.h"

namespace glasspane {

using namespace regtree;
using regcodec::storableName;

QStringList RegHive::splitPath(const QString& subKey)
{
    return subKey.split(u'\\', Qt::SkipEmptyParts);
}

const RegKeyNode* RegHive::find(const QStringList& path) const
{
    const RegKeyNode* node = &m_root;
    for (const QString& part : path) {
        const auto child = findChild(*node, part);
        if (child == node->children.end())
            return nullptr;
        node = &*child;
    }
    return node;
}

RegKeyNode* RegHive::find(const QStringList& path)
{
    return const_cast<RegKeyNode*>(std::as_const(*this).find(path));
}

RegKeyNode& RegHive::ensure(const QStringList& path, bool implicitParents)
{
    RegKeyNode* node = &m_root;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QString& part = path[i];
        const bool last = i == path.size() - 1;
        const auto child = findChild(*node, part);
        if (child != node->children.end()) {
            node = &*child;
            if (last)
                node->implicit = false;
        } else {
            RegKeyNode added;
            added.name = part;
            added.birth = ++m_births;
            added.implicit = implicitParents && !last;
            append(node->children, node->childIndex, std::move(added));
            node = &node->children.back();
            ++m_revision;
        }
    }
    return *node;
}

void RegHive::markTouched(const RegKeyNode& node, const QString& name)
{
    if (!m_sections.empty())
        m_touched.insert(QString::number(node.birth) + u':' + folded(name));
}

long RegHive::queryValue(const QString& subKey, const QString& name, RegValue* value) const
{
    const RegKeyNode* node = find(splitPath(subKey));
    if (!node)
        return RegStatus::FileNotFound;
    const auto found = findValue(*node, name);
    if (found == node->values.end())
        return RegStatus::FileNotFound;
    if (value)
        *value = found->value;
    return RegStatus::Success;
}

long RegHive::setValue(const QString& subKey, const QString& name, const RegValue& value)
{
    const QStringList path = splitPath(subKey);
    if (!storableName(subKey) || !storableName(name) || !storablePath(path))
        return RegStatus::InvalidData;
    RegKeyNode& node = ensure(path, false);
    const auto found = findValue(node, name);
    if (found == node.values.end()) {
        append(node.values, node.valueIndex, RegValueEntry{name, value, 0, true});
        markTouched(node, name);
        ++m_revision;
    } else if (found->value.type != value.type || found->value.data != value.data) {
        found->value = value;
        found->changed = true;
        markTouched(node, name);
        ++m_revision;
    }
    return RegStatus::Success;
}

long RegHive::deleteValue(const QString& subKey, const QString& name)
{
    RegKeyNode* node = find(splitPath(subKey));
    if (!node)
        return RegStatus::FileNotFound;
    const auto found = findValue(*node, name);
    if (found == node->values.end())
        return RegStatus::FileNotFound;
    node->values.erase(found);
    reindex(node->values, node->valueIndex);
    markTouched(*node, name);
    ++m_revision;
    return RegStatus::Success;
}

bool RegHive::keyExists(const QString& subKey) const
{
    return find(splitPath(subKey)) != nullptr;
}

long RegHive::createKey(const QString& subKey)
{
    const QStringList path = splitPath(subKey);
    if (!storableName(subKey) || !storablePath(path))
        return RegStatus::InvalidData;
    RegKeyNode& node = ensure(path, false);
    if (node.implicit) {
        // It now needs a section of its own should its subkeys go.
        node.implicit = false;
        ++m_revision;
    }
    return RegStatus::Success;
}

long RegHive::deleteKey(const QString& subKey)
{
    QStringList path = splitPath(subKey);
    if (path.isEmpty())
        return RegStatus::AccessDenied;
    const QString last = path.takeLast();
    RegKeyNode* parent = find(path);
    if (!parent)
        return RegStatus::FileNotFound;
    const auto found = findChild(*parent, last);
    if (found == parent->children.end())
        return RegStatus::FileNotFound;
    if (!m_sections.empty()) {
        // The sections of the key and of its subkeys go with it.
        std::vector<const RegKeyNode*> pending{&*found};
        while (!pending.empty()) {
            const RegKeyNode* node = pending.back();
            pending.pop_back();
            m_removed.insert(node->birth);
            for (const RegKeyNode& child : node->children)
                pending.push_back(&child);
        }
    }
    parent->children.erase(found);
    reindex(parent->children, parent->childIndex);
    ++m_revision;
    return RegStatus::Success;
}

QStringList RegHive::valueNames(const QString& subKey) const
{
    QStringList names;
    if (const RegKeyNode* node = find(splitPath(subKey))) {
        for (const RegValueEntry& entry : node->values)
            names.append(entry.name);
    }
    return names;
}

QStringList RegHive::subKeyNames(const QString& subKey) const
{
    QStringList names;
    if (const RegKeyNode* node = find(splitPath(subKey))) {
        for (const RegKeyNode& child : node->children)
            names.append(child.name);
    }
    return names;
}

bool RegHive::sameContents(const RegHive& a, const RegHive& b)
{
    std::vector<std::pair<const RegKeyNode*, const RegKeyNode*>> pending{{&a.m_root, &b.m_root}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x->values.size() != y->values.size() || x->children.size() != y->children.size())
            return false;
        for (const RegValueEntry& entry : x->values) {
            const auto other = findValue(*y, entry.name);
            if (other == y->values.end() || other->value.type != entry.value.type ||
                other->value.data != entry.value.data)
                return false;
        }
        for (const RegKeyNode& child : x->children) {
            const auto other = findChild(*y, child.name);
            if (other == y->children.end())
                return false;
            pending.emplace_back(&child, &*other);
        }
    }
    return true;
}

QString regRootName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    }
    return {};
}

} // namespace glasspane
