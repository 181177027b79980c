// Reads and writes a registry hive of many keys: a hand-written-looking user.reg with 50,000
// keys (two values each, comments and hex(1) data among them), parsed in memory, loaded through
// RegHiveRegistry, one value changed and saved, and the whole hive written out. Prints the time
// of each step, the best of several rounds.
//
// Usage: hive_bench [KEYS] [ROUNDS]   (defaults: 50000 keys, 3 rounds)

#include "platform/linux/reg_hive_registry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <limits>

using namespace glasspane;

namespace {

QByteArray makeHive(int keys)
{
    QByteArray text;
    text.reserve(qsizetype(keys) * 160);
    text += "Windows Registry Editor Version 5.00\r\n\r\n; kiosk settings, kept by hand\r\n\r\n";
    for (int n = 0; n < keys; ++n) {
        const QByteArray number = QByteArray::number(n);
        text += "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Bench\\Key" + number + "]\r\n";
        if (n % 100 == 0)
            text += "; group " + number + "\r\n";
        text += "\"Name\"=\"value " + number + "\"\r\n";
        text += "\"Data\"=hex(1):41,00,3d,d8,42,00,00,00\r\n\r\n";
    }
    return text;
}

double msOf(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int keys = args.size() > 1 ? args.at(1).toInt() : 50000;
    const int rounds = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 3;

    const QByteArray hive = makeHive(keys);
    QTemporaryDir dir;
    const QString userHive = dir.filePath(QStringLiteral("user.reg"));
    const RegHivePaths paths{userHive, dir.filePath(QStringLiteral("machine.reg")),
                             dir.filePath(QStringLiteral("classes.reg"))};
    const QString key = QStringLiteral("Software\\Qorvath\\Glasspane\\Bench\\Key%1").arg(keys / 2);

    double parseMs = std::numeric_limits<double>::max();
    double loadMs = parseMs;
    double saveMs = parseMs;
    double writeMs = parseMs;
    bool keptBytes = true;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const RegHive parsed = RegHive::fromRegFile(hive, QStringLiteral("HKEY_CURRENT_USER"));
        parseMs = std::min(parseMs, msOf(timer));

        timer.restart();
        const QByteArray written = parsed.toRegFile(QStringLiteral("HKEY_CURRENT_USER"));
        writeMs = std::min(writeMs, msOf(timer));
        keptBytes = keptBytes && written == hive;

        QFile file(userHive);
        if (!file.open(QIODevice::WriteOnly) || file.write(hive) != hive.size())
            return 1;
        file.close();
        RegHiveRegistry registry(paths);
        timer.restart();
        RegValue value;
        (void)registry.queryValue(RegRoot::CurrentUser, key, QStringLiteral("Name"), &value);
        loadMs = std::min(loadMs, msOf(timer));

        timer.restart();
        const long status = registry.setValue(
            RegRoot::CurrentUser, key, QStringLiteral("Name"),
            RegValue{RegType::String, regStringData(QStringLiteral("changed %1").arg(round))});
        saveMs = std::min(saveMs, msOf(timer));
        if (status != RegStatus::Success)
            return 1;
    }

    std::printf("hive of %d keys (%lld bytes), best of %d rounds\n", keys,
                static_cast<long long>(hive.size()), rounds);
    std::printf("  parse            %10.1f ms\n", parseMs);
    std::printf("  write out        %10.1f ms  (unchanged hive written back byte for byte: %s)\n",
                writeMs, keptBytes ? "yes" : "no");
    std::printf("  first read       %10.1f ms  (file loaded through the registry)\n", loadMs);
    std::printf("  change and save  %10.1f ms  (one value, lock, parse again, atomic save)\n",
                saveMs);
    return 0;
}
