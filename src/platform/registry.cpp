#include "platform/registry.h"

#include <QtEndian>

namespace glasspane {

QByteArray regStringData(const QString& text)
{
    // utf16() ends with a NUL, which is copied as the terminator.
    QByteArray data((text.size() + 1) * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size() + 1, data.data());
    return data;
}

QString regStringText(const QByteArray& data)
{
    QString text(data.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<quint16>(data.constData(), text.size(), text.data());
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

} // namespace glasspane
