#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace glasspane {

// Real files for tests that work in a temporary folder.
//
//   QVERIFY(writeFileBytes(dir.filePath("sub/a.ini"), "[A]\r\nk=v\r\n"));   // sub/ is made
//   QCOMPARE(readFileBytes(dir.filePath("sub/a.ini")), QByteArray("[A]\r\nk=v\r\n"));

// The whole file; empty when it cannot be read.
inline QByteArray readFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file with bytes, making its folder first. False when the file could not be
// written whole.
[[nodiscard]] inline bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace glasspane
