// The memory of a process tree, read from a listing shaped like /proc and from the real one.

#include "platform/linux/process_memory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

class ProcessMemoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tree();
    void thisProcess();
};

namespace {

void addProcess(const QString& root, qint64 pid, const QByteArray& name, qint64 parent,
                const QByteArray& rss, const QByteArray& pss = {})
{
    const QString dir = root + u'/' + QString::number(pid);
    QDir().mkpath(dir);
    QFile stat(dir + QStringLiteral("/stat"));
    QVERIFY(stat.open(QIODevice::WriteOnly));
    stat.write(QByteArray::number(pid) + " (" + name + ") S " + QByteArray::number(parent) +
               " 1 1 0 -1\n");
    QFile status(dir + QStringLiteral("/status"));
    QVERIFY(status.open(QIODevice::WriteOnly));
    status.write("Name:\t" + name + "\nVmPeak:\t  999999 kB\n" +
                 (rss.isEmpty() ? QByteArray() : "VmRSS:\t" + rss + " kB\n") + "Threads:\t3\n");
    if (pss.isEmpty())
        return; // not allowed to read, as for another user's process
    QFile rollup(dir + QStringLiteral("/smaps_rollup"));
    QVERIFY(rollup.open(QIODevice::WriteOnly));
    rollup.write("55d0-7ffe ---p 00000000 00:00 0 [rollup]\nRss:\t" + rss + " kB\nPss:\t" + pss +
                 " kB\nPss_Anon:\t1 kB\n");
}

} // namespace

void ProcessMemoryTest::tree()
{
    QTemporaryDir proc;
    const QString root = proc.path();
    addProcess(root, 1, "init", 0, "1000");
    addProcess(root, 100, "glasspane", 1, "120000", "90000");
    // Names with blanks and parentheses do not shift the fields.
    addProcess(root, 101, "QtWebEngineProc", 100, "50000", "20000");
    addProcess(root, 102, "a (b) c", 101, "30000");
    addProcess(root, 103, "zygote", 100, ""); // a kernel thread or a process just gone
    addProcess(root, 200, "other", 1, "70000");
    QDir().mkpath(root + QStringLiteral("/self"));
    QDir().mkpath(root + QStringLiteral("/sys"));

    const ProcessTreeMemoryUse use = ProcessTreeMemory(100, ProportionalShare::Skip, root);
    QCOMPARE(use.ownKb, 120000);
    QCOMPARE(use.descendantsKb, 80000);
    QCOMPARE(use.descendants, 2);
    QCOMPARE(use.processes(), 3);
    QCOMPARE(use.residentKb(), 200000);
    QCOMPARE(use.proportionalKb, 0);

    // The shares that can be read are summed; an unreadable one adds nothing.
    QCOMPARE(ProcessTreeMemory(100, ProportionalShare::Read, root).proportionalKb, 110000);

    const ProcessTreeMemoryUse unknown = ProcessTreeMemory(999, ProportionalShare::Read, root);
    QCOMPARE(unknown.ownKb, -1);
    QCOMPARE(unknown.processes(), 0);
    QCOMPARE(unknown.residentKb(), 0);
}

void ProcessMemoryTest::thisProcess()
{
    const ProcessTreeMemoryUse use =
        ProcessTreeMemory(QCoreApplication::applicationPid(), ProportionalShare::Read);
    QVERIFY(use.ownKb > 0);
    QVERIFY(use.proportionalKb > 0);
    QVERIFY(PhysicalMemoryKiB() > use.ownKb);
}

QTEST_GUILESS_MAIN(ProcessMemoryTest)
#include "process_memory_test.moc"
