#include "document/registry_layer.h"

#include <QtEndian>

namespace glasspane {

namespace {

QString hexText(const QByteArray& bytes)
{
    return QStringLiteral("&h") + QString::fromLatin1(bytes.toHex()).toUpper();
}

// The hex digits of a binary or double-word text: blanks and commas dropped, an optional
// leading "&h" (the form RegRead gives) removed. False when anything else is left.
bool hexDigits(const QString& text, QString& digits)
{
    digits.clear();
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char(',') && c != QLatin1Char('\t'))
            digits.append(c);
    }
    if (digits.startsWith(QLatin1String("&h"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    for (const QChar c : std::as_const(digits)) {
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    }
    return true;
}

} // namespace

RegistryLayer::RegistryLayer(Registry& registry) : m_registry(registry) {}

bool RegistryLayer::isKnownRoot(quint32 root)
{
    return root == quint32(RegRoot::ClassesRoot) || root == quint32(RegRoot::CurrentUser) ||
           root == quint32(RegRoot::LocalMachine);
}

bool RegistryLayer::checkArguments(quint32 root, const QString& subKey)
{
    if (!isKnownRoot(root)) {
        m_lastError = RegLayerStatus::BadRoot;
        return false;
    }
    if (subKey.isEmpty()) {
        m_lastError = RegLayerStatus::EmptySubKey;
        return false;
    }
    return true;
}

QString RegistryLayer::RegRead(quint32 root, const QString& subKey, const QString& name)
{
    if (!checkArguments(root, subKey))
        return QString();
    RegValue value;
    m_lastError = m_registry.queryValue(RegRoot(root), subKey, name, &value);
    if (m_lastError != RegStatus::Success)
        return QString();
    m_lastType = value.type;
    m_lastSize = value.data.size();
    switch (value.type) {
    case RegType::String:
    case RegType::ExpandString:
        return regStringText(value.data);
    case RegType::Binary:
        return hexText(value.data);
    case RegType::DWord: {
        QByteArray bytes = value.data.left(4);
        bytes.append(QByteArray(4 - bytes.size(), '\0'));
        const quint32 number = qFromLittleEndian<quint32>(bytes.constData());
        return QStringLiteral("&h") +
               QStringLiteral("%1").arg(number, 8, 16, QLatin1Char('0')).toUpper();
    }
    default:
        return QString::fromLatin1(value.data);
    }
}

bool RegistryLayer::RegWrite(quint32 root, const QString& subKey, const QString& name,
                             const QString& text, RegType type)
{
    if (!checkArguments(root, subKey))
        return false;

    RegValue value;
    value.type = type;
    switch (type) {
    case RegType::Binary: {
        QString digits;
        if (!hexDigits(text, digits)) {
            m_lastError = RegStatus::InvalidData;
            return false;
        }
        if (digits.size() % 2 != 0)
            digits.prepend(QLatin1Char('0'));
        value.data = QByteArray::fromHex(digits.toLatin1());
        break;
    }
    case RegType::DWord: {
        QString digits;
        if (!hexDigits(text, digits) || digits.size() > 8) {
            m_lastError = RegStatus::InvalidData;
            return false;
        }
        if (!digits.isEmpty()) {
            const quint32 number = digits.toUInt(nullptr, 16);
            value.data.resize(4);
            qToLittleEndian(number, value.data.data());
        }
        break;
    }
    default:
        if (!text.isEmpty())
            value.data = regStringData(text);
        break;
    }

    if (value.data.isEmpty())
        return RegDelete(root, subKey, name);

    m_lastError = m_registry.setValue(RegRoot(root), subKey, name, value);
    m_lastType = value.type;
    m_lastSize = value.data.size();
    return m_lastError == RegStatus::Success;
}

bool RegistryLayer::RegDelete(quint32 root, const QString& subKey, const QString& name)
{
    if (!checkArguments(root, subKey))
        return false;
    m_lastError = m_registry.deleteValue(RegRoot(root), subKey, name);
    // The goal is that the value is gone: one that never existed is no failure.
    if (m_lastError == RegStatus::FileNotFound)
        m_lastError = RegStatus::Success;
    m_lastType = RegType::None;
    m_lastSize = 0;
    return m_lastError == RegStatus::Success;
}

bool RegistryLayer::KeyExists(quint32 root, const QString& subKey)
{
    if (!checkArguments(root, subKey))
        return false;
    const bool exists = m_registry.keyExists(RegRoot(root), subKey);
    m_lastError = exists ? RegStatus::Success : RegStatus::FileNotFound;
    return exists;
}

bool RegistryLayer::CreateKey(quint32 root, const QString& subKey)
{
    if (!checkArguments(root, subKey))
        return false;
    m_lastError = m_registry.createKey(RegRoot(root), subKey);
    return m_lastError == RegStatus::Success;
}

void RegistryLayer::EnsureProductKeys(const QString& userKeyPath, const QString& machineKeyPath)
{
    if (!KeyExists(RegRoot::LocalMachine, machineKeyPath))
        CreateKey(RegRoot::LocalMachine, machineKeyPath);
    if (!KeyExists(RegRoot::CurrentUser, userKeyPath))
        CreateKey(RegRoot::CurrentUser, userKeyPath);
}

} // namespace glasspane
