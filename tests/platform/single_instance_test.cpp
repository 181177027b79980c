#include "platform/linux/single_instance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace glasspane;

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondCopyRaisesTheFirst();
    void namesAreSeparate();
    void staleSocketIsReplaced();
};

void SingleInstanceTest::secondCopyRaisesTheFirst()
{
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QVERIFY(!first.FindPreviousInstance());
    QVERIFY(first.isPrimary());
    QVERIFY(first.socketPath().contains(QString::number(::getuid())));

    {
        SingleInstance second(dir.path());
        QVERIFY(second.FindPreviousInstance());
        QVERIFY(!second.isPrimary());
    }
    QVERIFY(raised.wait(5000));
    QCOMPARE(raised.count(), 1);

    // Every later start asks again.
    {
        SingleInstance later(dir.path());
        QVERIFY(later.FindPreviousInstance());
    }
    QTRY_COMPARE(raised.count(), 2);
}

void SingleInstanceTest::namesAreSeparate()
{
    QTemporaryDir dir;
    SingleInstance a(dir.path(), "one");
    SingleInstance b(dir.path(), "two");
    QVERIFY(!a.FindPreviousInstance());
    QVERIFY(!b.FindPreviousInstance());
}

void SingleInstanceTest::staleSocketIsReplaced()
{
    QTemporaryDir dir;
    {
        SingleInstance gone(dir.path());
        QVERIFY(!gone.FindPreviousInstance());
    }
    // A crashed copy leaves its socket file: a plain file of that name stands in for it.
    SingleInstance probe(dir.path());
    QFile stale(probe.socketPath());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance next(dir.path());
    QSignalSpy raised(&next, &SingleInstance::raiseRequested);
    QVERIFY(!next.FindPreviousInstance());
    SingleInstance again(dir.path());
    QVERIFY(again.FindPreviousInstance());
    QVERIFY(raised.wait(5000));
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
