#include "platform/linux/reg_hive_registry.h"

#include "platform/linux/linux_system.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace glasspane {

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The subkey or the value of a key with that name; end() when there is none.
template <typename Node> auto findChild(Node& node, const QString& name)
{
    return std::find_if(node.children.begin(), node.children.end(),
                        [&](const RegKeyNode& child) { return sameName(child.name, name); });
}
template <typename Node> auto findValue(Node& node, const QString& name)
{
    return std::find_if(node.values.begin(), node.values.end(),
                        [&](const auto& entry) { return sameName(entry.first, name); });
}

// A string value that a .reg file can hold between quotes on one line: UTF-16 with exactly one
// NUL at its end and no line breaks. Anything else is written as hex(1) so it survives intact.
bool plainString(const QByteArray& data, QString* text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    QString result;
    const qsizetype count = data.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c =
            char16_t(quint8(data[2 * i])) | char16_t(char16_t(quint8(data[2 * i + 1])) << 8);
        const bool last = i == count - 1;
        if (last != (c == 0))
            return false;
        if (c == u'\n' || c == u'\r')
            return false;
        if (!last)
            result.append(QChar(c));
    }
    *text = result;
    return true;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const QString& line, qsizetype& pos, QString* text)
{
    if (pos >= line.size() || line[pos] != u'"')
        return false;
    ++pos;
    QString out;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            *text = out;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size()) {
            const QChar next = line[pos + 1];
            if (next == u'\\' || next == u'"') {
                out += next;
                pos += 2;
                continue;
            }
        }
        out += c;
        ++pos;
    }
    return false;
}

void skipBlanks(const QString& line, qsizetype& pos)
{
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
        ++pos;
}

bool parseHexBytes(QStringView text, QByteArray* out)
{
    QByteArray bytes;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (!ok || byte > 0xff)
            return false;
        bytes.append(char(byte));
    }
    *out = bytes;
    return true;
}

QString hexLine(const QString& head, const QByteArray& data)
{
    // Wrapped the way registry exports are, so long binary values stay readable.
    QString out = head;
    qsizetype lineLength = head.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        QString token = QString::asprintf("%02x", uint(quint8(data[i])));
        if (i + 1 < data.size())
            token += u',';
        if (lineLength + token.size() > 77) {
            out += QStringLiteral("\\\n  ");
            lineLength = 2;
        }
        out += token;
        lineLength += token.size();
    }
    return out;
}

QString valueLine(const QString& name, const RegValue& value)
{
    const QString head = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + u'=';
    QString text;
    switch (value.type) {
    case RegType::String:
        if (plainString(value.data, &text))
            return head + quoted(text);
        return hexLine(head + QStringLiteral("hex(1):"), value.data);
    case RegType::DWord:
        if (value.data.size() == 4) {
            const quint32 number = qFromLittleEndian<quint32>(value.data.constData());
            return head + QString::asprintf("dword:%08x", number);
        }
        return hexLine(head + QStringLiteral("hex(4):"), value.data);
    case RegType::Binary:
        return hexLine(head + QStringLiteral("hex:"), value.data);
    default:
        return hexLine(head + QStringLiteral("hex(%1):").arg(quint32(value.type), 0, 16),
                       value.data);
    }
}

void writeKey(const RegKeyNode& node, const QString& path, bool isRoot, QString& out)
{
    if (!isRoot || !node.values.empty()) {
        out += u'[' + path + QStringLiteral("]\n");
        for (const auto& [name, value] : node.values)
            out += valueLine(name, value) + u'\n';
        out += u'\n';
    }
    for (const RegKeyNode& child : node.children)
        writeKey(child, path + u'\\' + child.name, false, out);
}

QString decodeFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xff\xfe"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xfe\xff"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    if (bytes.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromUtf8(bytes);
}

// The accepted spellings of each root in a key line.
bool rootMatches(QStringView word, const QString& rootName)
{
    if (sameName(word.toString(), rootName))
        return true;
    static constexpr std::pair<const char16_t*, const char16_t*> shortNames[] = {
        {u"HKCU", u"HKEY_CURRENT_USER"},
        {u"HKLM", u"HKEY_LOCAL_MACHINE"},
        {u"HKCR", u"HKEY_CLASSES_ROOT"},
    };
    for (const auto& [shortName, longName] : shortNames) {
        if (word.compare(QStringView(shortName), Qt::CaseInsensitive) == 0)
            return sameName(QString::fromUtf16(longName), rootName);
    }
    return false;
}

// A name that a .reg line can hold.
bool storableName(const QString& name)
{
    return !name.contains(u'\n') && !name.contains(u'\r') && !name.contains(QChar(0));
}

} // namespace

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

RegKeyNode& RegHive::ensure(const QStringList& path)
{
    RegKeyNode* node = &m_root;
    for (const QString& part : path) {
        const auto child = findChild(*node, part);
        if (child != node->children.end()) {
            node = &*child;
        } else {
            node->children.push_back(RegKeyNode{part, {}, {}});
            node = &node->children.back();
            ++m_revision;
        }
    }
    return *node;
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
        *value = found->second;
    return RegStatus::Success;
}

long RegHive::setValue(const QString& subKey, const QString& name, const RegValue& value)
{
    if (!storableName(subKey) || !storableName(name))
        return RegStatus::InvalidData;
    RegKeyNode& node = ensure(splitPath(subKey));
    const auto found = findValue(node, name);
    if (found == node.values.end()) {
        node.values.emplace_back(name, value);
        ++m_revision;
    } else if (found->second.type != value.type || found->second.data != value.data) {
        found->second = value;
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
    ++m_revision;
    return RegStatus::Success;
}

bool RegHive::keyExists(const QString& subKey) const
{
    return find(splitPath(subKey)) != nullptr;
}

long RegHive::createKey(const QString& subKey)
{
    if (!storableName(subKey))
        return RegStatus::InvalidData;
    ensure(splitPath(subKey));
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
    parent->children.erase(found);
    ++m_revision;
    return RegStatus::Success;
}

QStringList RegHive::valueNames(const QString& subKey) const
{
    QStringList names;
    if (const RegKeyNode* node = find(splitPath(subKey))) {
        for (const auto& entry : node->values)
            names.append(entry.first);
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

QByteArray RegHive::toRegFile(const QString& rootName) const
{
    QString out = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
    writeKey(m_root, rootName, true, out);
    return out.toUtf8();
}

RegHive RegHive::fromRegFile(const QByteArray& bytes, const QString& rootName)
{
    RegHive hive;
    const QStringList rawLines = decodeFile(bytes).split(u'\n');

    // Values may continue on the next line after a trailing backslash (wrapped hex data).
    QStringList lines;
    QString pending;
    bool continuing = false;
    for (QString line : rawLines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = line.trimmed();
        if (continuing)
            pending += line;
        else
            pending = line;
        continuing = !pending.startsWith(u'[') && pending.endsWith(u'\\');
        if (continuing) {
            pending.chop(1);
            continue;
        }
        lines.append(pending);
    }
    if (continuing)
        lines.append(pending);

    QStringList current; // path of the key being read
    bool inHive = false; // the current key belongs to this hive
    for (const QString& line : std::as_const(lines)) {
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0) {
                inHive = false;
                continue;
            }
            QString keyText = line.mid(1, close - 1);
            const bool remove = keyText.startsWith(u'-');
            if (remove)
                keyText.remove(0, 1);
            QStringList path = splitPath(keyText);
            inHive = !path.isEmpty() && rootMatches(path.first(), rootName);
            if (!inHive)
                continue;
            path.removeFirst();
            if (remove) {
                if (!path.isEmpty())
                    (void)hive.deleteKey(path.join(u'\\'));
                inHive = false;
                continue;
            }
            hive.ensure(path);
            current = path;
            continue;
        }
        if (!inHive)
            continue;

        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (!readQuoted(line, pos, &name)) {
            continue;
        }
        skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != u'=')
            continue;
        ++pos;
        skipBlanks(line, pos);
        const QString subKey = current.join(u'\\');
        const QStringView data = QStringView(line).mid(pos).trimmed();

        RegValue value;
        if (data.startsWith(u'"')) {
            QString text;
            qsizetype at = pos;
            if (!readQuoted(line, at, &text))
                continue;
            value.type = RegType::String;
            value.data = regStringData(text);
        } else if (data == u"-") {
            (void)hive.deleteValue(subKey, name);
            continue;
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            bool ok = false;
            const QStringView digits = data.mid(6).trimmed();
            const quint32 number = digits.toUInt(&ok, 16);
            if (!ok || digits.size() > 8)
                continue;
            value.type = RegType::DWord;
            value.data.resize(4);
            qToLittleEndian(number, value.data.data());
        } else if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
            const qsizetype colon = data.indexOf(u':');
            if (colon < 0)
                continue;
            const QStringView kind = data.mid(3, colon - 3).trimmed();
            if (kind.isEmpty()) {
                value.type = RegType::Binary;
            } else if (kind.startsWith(u'(') && kind.endsWith(u')')) {
                bool ok = false;
                const quint32 type = kind.mid(1, kind.size() - 2).toUInt(&ok, 16);
                if (!ok)
                    continue;
                value.type = RegType(type);
            } else {
                continue;
            }
            if (!parseHexBytes(data.mid(colon + 1), &value.data))
                continue;
        } else {
            continue;
        }
        (void)hive.setValue(subKey, name, value);
    }
    return hive;
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

RegHivePaths RegHivePaths::standard()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString machine = linuxMachineFolder();
    return RegHivePaths{config + QStringLiteral("/glasspane/user.reg"),
                        machine + QStringLiteral("machine.reg"),
                        machine + QStringLiteral("classes.reg")};
}

// One hive file with its parsed copy.
class RegHiveRegistry::HiveFile
{
public:
    HiveFile(RegRoot root, QString path, bool privateToUser)
        : m_rootName(regRootName(root)), m_path(std::move(path)), m_private(privateToUser)
    {}

    const QString& path() const { return m_path; }

    // The parsed copy, renewed when the file changed on disk. Status AccessDenied when the file
    // exists but cannot be read.
    const RegHive& current(long* status = nullptr)
    {
        const Signature now = signature();
        if (!m_loaded || now != m_signature)
            load(now);
        if (status)
            *status = m_readable ? RegStatus::Success : RegStatus::AccessDenied;
        return m_hive;
    }

    template <typename Change> long modify(Change&& change)
    {
        if (!makeFolder(QFileInfo(m_path).absolutePath()))
            return RegStatus::AccessDenied;

        const QString lockPath = m_path + QStringLiteral(".lock");
        // Something that is no lock file is in the way: waiting would not help.
        if (QFileInfo(lockPath).exists() && !QFileInfo(lockPath).isFile())
            return RegStatus::AccessDenied;
        QLockFile lock(lockPath);
        // Short, even steps: QLockFile's own wait doubles its pauses, which makes writers
        // that take turns wait for seconds.
        QDeadlineTimer deadline(LockWaitMs);
        bool locked = lock.tryLock(0);
        while (!locked && lock.error() == QLockFile::LockFailedError && !deadline.hasExpired()) {
            QThread::msleep(5);
            locked = lock.tryLock(0);
        }
        if (!locked) {
            return lock.error() == QLockFile::LockFailedError ? RegStatus::WriteFault
                                                              : RegStatus::AccessDenied;
        }
        // Another process may have written since our last look: work on what the disk holds.
        load(signature());
        if (!m_readable)
            return RegStatus::AccessDenied;

        RegHive changed = m_hive;
        const long status = change(changed);
        if (status != RegStatus::Success || changed.revision() == m_hive.revision())
            return status;

        const bool existed = QFileInfo::exists(m_path);
        QSaveFile file(m_path);
        // Unbuffered, so that a short write (full disk, size limit) is seen here: a buffered
        // QFileDevice can drop the rest of its buffer and still commit.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return RegStatus::AccessDenied;
        // The user hive may hold a logon password: never readable by others.
        if (m_private) {
            (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        } else if (!existed) {
            (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
        }
        const QByteArray bytes = changed.toRegFile(m_rootName);
        if (file.write(bytes) != bytes.size() || !file.commit())
            return RegStatus::WriteFault;

        m_hive = std::move(changed);
        m_signature = signature();
        return RegStatus::Success;
    }

private:
    struct Signature
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        bool operator==(const Signature&) const = default;
    };

    Signature signature() const
    {
        struct stat st;
        if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
            return {};
        return Signature{true,       st.st_dev,         st.st_ino,
                         st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }

    void load(const Signature& now)
    {
        m_loaded = true;
        m_signature = now;
        m_readable = true;
        if (!now.exists) {
            m_hive = RegHive();
            return;
        }
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_readable = false;
            m_hive = RegHive();
            return;
        }
        m_hive = RegHive::fromRegFile(file.readAll(), m_rootName);
    }

    // Creates the hive's folder (and missing parents) with the hive's privacy.
    bool makeFolder(const QString& folder) const
    {
        if (QFileInfo(folder).isDir())
            return true;
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent != folder && !makeFolder(parent))
            return false;
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        const QFile::Permissions perms = m_private ? owner
                                                   : owner | QFile::ReadGroup | QFile::ExeGroup |
                                                         QFile::ReadOther | QFile::ExeOther;
        return QDir().mkdir(folder, perms) || QFileInfo(folder).isDir();
    }

    QString m_rootName;
    QString m_path;
    bool m_private = false;
    bool m_loaded = false;
    bool m_readable = true;
    Signature m_signature;
    RegHive m_hive;
};

RegHiveRegistry::RegHiveRegistry(RegHivePaths paths)
{
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::ClassesRoot, std::move(paths.classesRoot), false));
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::CurrentUser, std::move(paths.currentUser), true));
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::LocalMachine, std::move(paths.localMachine), false));
}

RegHiveRegistry::~RegHiveRegistry() = default;

RegHiveRegistry::HiveFile* RegHiveRegistry::hive(RegRoot root) const
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return m_hives[0].get();
    case RegRoot::CurrentUser:
        return m_hives[1].get();
    case RegRoot::LocalMachine:
        return m_hives[2].get();
    }
    return nullptr;
}

QString RegHiveRegistry::hivePath(RegRoot root) const
{
    const HiveFile* file = hive(root);
    return file ? file->path() : QString();
}

template <typename Change> long RegHiveRegistry::modify(RegRoot root, Change&& change)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    return file->modify(std::forward<Change>(change));
}

long RegHiveRegistry::queryValue(RegRoot root, const QString& subKey, const QString& name,
                                 RegValue* value)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    long status = RegStatus::Success;
    const RegHive& contents = file->current(&status);
    if (status != RegStatus::Success)
        return status;
    return contents.queryValue(subKey, name, value);
}

long RegHiveRegistry::setValue(RegRoot root, const QString& subKey, const QString& name,
                               const RegValue& value)
{
    return modify(root, [&](RegHive& h) { return h.setValue(subKey, name, value); });
}

long RegHiveRegistry::deleteValue(RegRoot root, const QString& subKey, const QString& name)
{
    // Nothing to lock for a value that is not there.
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().queryValue(subKey, name, nullptr) != RegStatus::Success)
        return RegStatus::FileNotFound;
    return modify(root, [&](RegHive& h) { return h.deleteValue(subKey, name); });
}

bool RegHiveRegistry::keyExists(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file && file->current().keyExists(subKey);
}

long RegHiveRegistry::createKey(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().keyExists(subKey))
        return RegStatus::Success;
    return modify(root, [&](RegHive& h) { return h.createKey(subKey); });
}

long RegHiveRegistry::deleteKey(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (RegHive::splitPath(subKey).isEmpty())
        return RegStatus::AccessDenied;
    if (!file->current().keyExists(subKey))
        return RegStatus::FileNotFound;
    return modify(root, [&](RegHive& h) { return h.deleteKey(subKey); });
}

QStringList RegHiveRegistry::valueNames(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file ? file->current().valueNames(subKey) : QStringList();
}

QStringList RegHiveRegistry::subKeyNames(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file ? file->current().subKeyNames(subKey) : QStringList();
}

} // namespace glasspane
