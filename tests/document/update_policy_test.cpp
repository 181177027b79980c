#include "document/update_policy.h"
#include "support/cache_fixture.h"

#include <QLocale>
#include <QTest>

using namespace glasspane;

namespace {

const QString kMachineKey = QStringLiteral("SOFTWARE\\Qorvath\\Glasspane");
const QDate kToday(2024, 3, 4);

QDateTime at(int dayOffset, int h, int m, int s = 0)
{
    return QDateTime(kToday.addDays(dayOffset), QTime(h, m, s));
}

// A document with its own element and two pages, everything downloaded at `when`.
void fillDocument(DocumentState& doc, const QString& documentName, const QDateTime& when)
{
    doc.PlayList = {PlayEntry(), PlayEntry(), PlayEntry()};
    doc.PageList = {PageEntry(), PageEntry(), PageEntry()};
    doc.PlayList[0].URL = documentName;
    doc.PlayList[1].URL = QStringLiteral("http://www.example.com/a.html");
    doc.PlayList[2].URL = QStringLiteral("/srv/kiosk/b.html");
    doc.PageList[1].URL = doc.PlayList[1].URL;
    doc.PageList[2].URL = doc.PlayList[2].URL;
    for (auto& e : doc.PlayList)
        e.LastDownload = when;
    for (auto& e : doc.PageList)
        e.LastDownload = when;
}

} // namespace

class UpdatePolicyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void computeNextUpdate_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("lastUpdate");
        QTest::addColumn<QString>("updateTime");
        QTest::addColumn<QString>("asapDate");
        QTest::addColumn<QString>("asapTime");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("today, still ahead") << 2 << at(0, 1, 0) << at(-1, 2, 10) << "02:00"
                                            << ""
                                            << "" << at(0, 2, 0);
        QTest::newRow("today, already past: due at once")
            << 2 << at(0, 5, 0) << at(-3, 3, 0) << "02:00"
            << ""
            << "" << at(0, 2, 0);
        QTest::newRow("updated after today's time: tomorrow")
            << 2 << at(0, 5, 0) << at(0, 3, 0) << "02:00"
            << ""
            << "" << at(1, 2, 0);
        QTest::newRow("delay scheme like the daily one") << 4 << at(0, 5, 0) << at(0, 3, 0) << "2:0"
                                                         << ""
                                                         << "" << at(1, 2, 0);
        QTest::newRow("hours beyond a day") << 2 << at(0, 5, 0) << at(-1, 3, 0) << "25:30"
                                            << ""
                                            << "" << at(1, 1, 30);
        QTest::newRow("launch scheme: now") << 3 << at(0, 5, 0) << at(0, 3, 0) << "02:00"
                                            << ""
                                            << "" << at(0, 5, 0);
        QTest::newRow("launch scheme with delay: now") << 5 << at(0, 5, 0) << at(0, 3, 0) << "02:00"
                                                       << ""
                                                       << "" << at(0, 5, 0);
        QTest::newRow("never updated: now") << 2 << at(0, 5, 0) << QDateTime() << "02:00"
                                            << ""
                                            << "" << at(0, 5, 0);
        QTest::newRow("pending request: now") << 2 << at(0, 5, 0) << at(0, 3, 0) << "02:00"
                                              << "04/03/2024"
                                              << "04:00:00" << at(0, 5, 0);
    }
    void computeNextUpdate()
    {
        QFETCH(int, scheme);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, lastUpdate);
        QFETCH(QString, updateTime);
        QFETCH(QString, asapDate);
        QFETCH(QString, asapTime);
        QFETCH(QDateTime, expected);
        SettableClock clock(now);
        QCOMPARE(ComputeNextUpdate(clock, scheme, lastUpdate, updateTime, asapDate, asapTime),
                 expected);
    }

    // Last update yesterday 02:10, update time 02:00: off-line until 02:00 today; after that
    // on-line only while an entry from the web is older than the due time.
    void dailyScheme_data()
    {
        QTest::addColumn<QString>("documentName");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("offline");
        QTest::newRow("before the update time")
            << "http://www.example.com/doc.gpn" << at(0, 1, 30) << int(ConnectionFlag::Lan) << true;
        QTest::newRow("web document loaded before it")
            << "http://www.example.com/doc.gpn" << at(0, 2, 30) << int(ConnectionFlag::Lan)
            << false;
        QTest::newRow("https document") << "https://www.example.com/doc.gpn" << at(0, 2, 30)
                                        << int(ConnectionFlag::Lan) << false;
        QTest::newRow("ftp document")
            << "ftp://www.example.com/doc.gpn" << at(0, 2, 30) << int(ConnectionFlag::Lan) << false;
        QTest::newRow("web document, no network")
            << "http://www.example.com/doc.gpn" << at(0, 2, 30) << 0 << true;
        QTest::newRow("local document: the walk stops at it")
            << "/home/kiosk/doc.gpn" << at(0, 2, 30) << int(ConnectionFlag::Lan) << true;
        QTest::newRow("HTTP in capitals is not the web")
            << "HTTP://www.example.com/doc.gpn" << at(0, 2, 30) << int(ConnectionFlag::Lan) << true;
    }
    void dailyScheme()
    {
        QFETCH(QString, documentName);
        QFETCH(QDateTime, now);
        QFETCH(int, flags);
        QFETCH(bool, offline);
        CacheFixture f;
        f.clock.set(at(0, 1, 0));
        f.update.UpdateScheme = UpdateDaily;
        f.update.UpdateTime = QStringLiteral("02:00");
        f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredDate",
                             "03/03/2024");
        f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredTime",
                             "02:10:00");
        f.doc.IsDefaultDocument = true;
        LoadUpdateBookkeeping(f.services);
        QCOMPARE(f.update.LastUpdate, at(-1, 2, 10));
        QCOMPARE(f.update.NextUpdate, at(0, 2, 0));
        fillDocument(f.doc, documentName, at(0, 1, 0));
        f.net.setConnectedFlags(flags);

        f.clock.set(now);
        QCOMPARE(UpdateDue(f.services, true), offline);
        QCOMPARE(f.net.isOffline(), offline);
        QCOMPARE(f.update.LastAppliedOffline, std::optional<bool>(offline));
    }

    void dailySchemeDoneOnceEverythingIsFetched()
    {
        CacheFixture f;
        f.update.UpdateScheme = UpdateDaily;
        f.update.NextUpdate = at(0, 2, 0);
        fillDocument(f.doc, QStringLiteral("http://www.example.com/doc.gpn"), at(0, 2, 5));
        f.clock.set(at(0, 3, 0));
        QVERIFY(UpdateDue(f.services, false));
        QCOMPARE(f.net.connectedStateCalls(), 0);
        // One web page not yet fetched again keeps the update going.
        f.doc.PageList[1].LastDownload = at(0, 1, 0);
        QVERIFY(!UpdateDue(f.services, false));
    }

    void delayScheme_data()
    {
        QTest::addColumn<int>("secondsAfter");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("offline");
        QTest::newRow("before the update time") << -1 << int(ConnectionFlag::Lan) << true;
        QTest::newRow("at the update time") << 0 << int(ConnectionFlag::Lan) << false;
        QTest::newRow("within the delay") << 299 << int(ConnectionFlag::Lan) << false;
        QTest::newRow("after the delay") << 301 << int(ConnectionFlag::Lan) << true;
        QTest::newRow("within the delay, no network") << 60 << 0 << true;
    }
    void delayScheme()
    {
        QFETCH(int, secondsAfter);
        QFETCH(int, flags);
        QFETCH(bool, offline);
        CacheFixture f;
        f.update.UpdateScheme = UpdateDailyDuringDelay;
        f.update.UpdateDelay = 300;
        f.update.NextUpdate = at(0, 2, 0);
        // Everything is older than the update: only the delay decides.
        fillDocument(f.doc, QStringLiteral("http://www.example.com/doc.gpn"), at(-1, 2, 0));
        f.net.setConnectedFlags(flags);
        f.clock.set(at(0, 2, 0).addSecs(secondsAfter));
        QCOMPARE(UpdateDue(f.services, false), offline);
        QVERIFY(!f.net.isOffline()); // not applied
    }

    void launchSchemesUpdateAtOnce()
    {
        for (const int scheme : {int(UpdateAtLaunch), int(UpdateAtLaunchDuringDelay)}) {
            CacheFixture f;
            f.update.UpdateScheme = qint16(scheme);
            f.update.LastUpdateOccuredDate = QStringLiteral("04/03/2024");
            f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredDate",
                                 "04/03/2024");
            f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredTime",
                                 "11:00:00");
            f.doc.IsDefaultDocument = true;
            LoadUpdateBookkeeping(f.services);
            fillDocument(f.doc, QStringLiteral("http://www.example.com/doc.gpn"), at(0, 11, 0));
            QCOMPARE(f.update.NextUpdate, f.clock.now());
            QVERIFY2(!UpdateDue(f.services, false), qPrintable(QString::number(scheme)));
        }
    }

    // A pending request or an interactive user puts schemes 2-5 on-line at once, without a
    // connection check and even without apply.
    void onlineAtOnce_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<bool>("request");
        for (int scheme = 2; scheme <= 5; ++scheme) {
            QTest::addRow("scheme %d, request", scheme) << scheme << true;
            QTest::addRow("scheme %d, configuration open", scheme) << scheme << false;
        }
    }
    void onlineAtOnce()
    {
        QFETCH(int, scheme);
        QFETCH(bool, request);
        CacheFixture f;
        f.update.UpdateScheme = qint16(scheme);
        f.update.NextUpdate = f.clock.now().addDays(1);
        if (request) {
            f.update.UpdateASAPDate = QStringLiteral("04/03/2024");
            f.update.UpdateASAPTime = QStringLiteral("11:00:00");
        } else {
            f.interactive = true;
        }
        f.net.setConnectedFlags(0);
        f.net.setOffline(true);
        QVERIFY(!UpdateDue(f.services, false));
        QVERIFY(!f.net.isOffline());
        QCOMPARE(f.net.connectedStateCalls(), 0);
    }

    void alwaysOffline()
    {
        CacheFixture f;
        f.update.UpdateScheme = AlwaysOffline;
        QVERIFY(UpdateDue(f.services, false));
        QVERIFY(!f.net.isOffline());
        QVERIFY(!f.update.LastAppliedOffline.has_value());
        QVERIFY(UpdateDue(f.services, true));
        QVERIFY(f.net.isOffline());
        QCOMPARE(f.update.LastAppliedOffline, std::optional<bool>(true));
        // Out-of-range schemes are "always on-line".
        f.update.UpdateScheme = 9;
        QVERIFY(!UpdateDue(f.services, true));
        QVERIFY(!f.net.isOffline());
    }

    void alwaysOnlineRetriesAfterMaxTime()
    {
        CacheFixture f;
        f.update.UpdateScheme = AlwaysOnline;
        f.update.MaxTime = 300;
        f.update.NextUpdate = f.clock.now();
        f.net.setConnectedFlags(0);
        QVERIFY(UpdateDue(f.services, true));
        QVERIFY(f.net.isOffline());
        const int calls = f.net.connectedStateCalls();

        f.net.setConnectedFlags(ConnectionFlag::Lan);
        f.clock.advanceSecs(299);
        QVERIFY(UpdateDue(f.services, true));
        QCOMPARE(f.net.connectedStateCalls(), calls);
        f.clock.advanceSecs(2);
        QVERIFY(!UpdateDue(f.services, true));
        QVERIFY(!f.net.isOffline());
        // A successful check stands.
        const int after = f.net.connectedStateCalls();
        f.clock.advanceSecs(3600);
        QVERIFY(!UpdateDue(f.services, true));
        QCOMPARE(f.net.connectedStateCalls(), after);
    }

    void recordsProgress_data()
    {
        QTest::addColumn<bool>("defaultDocument");
        QTest::newRow("default document") << true;
        QTest::newRow("other document") << false;
    }
    void recordsProgress()
    {
        QFETCH(bool, defaultDocument);
        CacheFixture f;
        f.doc.IsDefaultDocument = defaultDocument;
        f.update.NextUpdate = at(0, 9, 0);
        fillDocument(f.doc, QStringLiteral("http://www.example.com/doc.gpn"), at(0, 11, 0));
        f.doc.PlayList[2].LastDownload = at(0, 10, 15, 30);
        f.doc.PageList[1].LastDownload = QDateTime(); // never: left out
        f.clock.set(at(0, 12, 0));

        RecordUpdateProgress(f.services);
        QCOMPARE(f.update.LastUpdateOccuredDate, QStringLiteral("04/03/2024"));
        QCOMPARE(f.update.LastUpdateOccuredTime, QStringLiteral("10:15:30"));
        QCOMPARE(f.update.LastUpdate, at(0, 10, 15, 30));
        QCOMPARE(f.update.NextUpdate, at(1, 9, 0));
        QCOMPARE(f.registry.string(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredTime"),
                 defaultDocument ? QStringLiteral("10:15:30") : QString());

        // Nothing older than the next update: it stays.
        RecordUpdateProgress(f.services);
        QCOMPARE(f.update.NextUpdate, at(1, 9, 0));
    }

    void nothingDownloadedRecordsNothing()
    {
        CacheFixture f;
        f.doc.IsDefaultDocument = true;
        f.update.NextUpdate = at(0, 9, 0);
        RecordUpdateProgress(f.services);
        QVERIFY(f.update.LastUpdateOccuredDate.isEmpty());
        QVERIFY(!f.update.LastUpdate.isValid());
        QCOMPARE(f.update.NextUpdate, at(0, 9, 0));
        QCOMPARE(f.registry.writeCount(), 0);
    }

    void requestPendsUntilEverythingIsFetched()
    {
        CacheFixture f;
        f.doc.IsDefaultDocument = true;
        f.update.UpdateScheme = UpdateDaily;
        f.update.NextUpdate = at(1, 2, 0);
        fillDocument(f.doc, QStringLiteral("http://www.example.com/doc.gpn"), at(0, 10, 0));
        // The configuration dialog asks at 10:30.
        f.update.UpdateASAPDate = QStringLiteral("04/03/2024");
        f.update.UpdateASAPTime = QStringLiteral("10:30:00");
        f.clock.set(at(0, 10, 31));
        RecordUpdateProgress(f.services);
        QCOMPARE(f.update.UpdateASAPTime, QStringLiteral("10:30:00"));
        QCOMPARE(f.registry.string(RegRoot::LocalMachine, kMachineKey, "UpdateASAPTime"),
                 QStringLiteral("10:30:00"));
        QVERIFY(!UpdateDue(f.services, false));

        for (auto& e : f.doc.PlayList)
            e.LastDownload = at(0, 10, 40);
        for (auto& e : f.doc.PageList)
            e.LastDownload = at(0, 10, 40);
        f.clock.set(at(0, 10, 45));
        RecordUpdateProgress(f.services);
        QVERIFY(f.update.UpdateASAPDate.isEmpty());
        QVERIFY(f.update.UpdateASAPTime.isEmpty());
        QCOMPARE(f.registry.string(RegRoot::LocalMachine, kMachineKey, "UpdateASAPTime"),
                 QString());
        QVERIFY(UpdateDue(f.services, false)); // back to the schedule
    }

    void otherDocumentsHaveNoBookkeeping()
    {
        CacheFixture f;
        f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredDate",
                             "03/03/2024");
        f.registry.setString(RegRoot::LocalMachine, kMachineKey, "LastUpdateOccuredTime",
                             "02:10:00");
        f.registry.setString(RegRoot::LocalMachine, kMachineKey, "UpdateASAPDate", "03/03/2024");
        f.doc.IsDefaultDocument = false;
        f.update.UpdateScheme = UpdateDaily;
        LoadUpdateBookkeeping(f.services);
        QVERIFY(!f.update.LastUpdate.isValid());
        QVERIFY(f.update.UpdateASAPDate.isEmpty());
        QCOMPARE(f.update.NextUpdate, f.clock.now());
        QCOMPARE(LastUpdateText(f.update.LastUpdate),
                 QStringLiteral("Last update never occurred."));
    }

    void readsSettings()
    {
        CacheFixture f;
        QVERIFY(f.ini.WriteIni("Gpane", "UpdateScheme", "9", f.program.documentPath));
        QVERIFY(f.ini.WriteIni("Gpane", "UpdateDelay", "-5", f.program.documentPath));
        QVERIFY(f.ini.WriteIni("Gpane", "UpdateTime", "03:15", f.program.documentPath));
        QVERIFY(f.ini.WriteIni("Gpane", "ForceReconnect", "yes", f.program.documentPath));
        ReadUpdateSettings(f.settings, f.update, 600);
        QCOMPARE(f.update.UpdateScheme, qint16(0));
        QCOMPARE(f.update.UpdateDelay, 300);
        QCOMPARE(f.update.UpdateTime, QStringLiteral("03:15"));
        QVERIFY(f.update.ForceReconnect);
        QCOMPARE(f.update.MaxTime, 600);
    }

    void alignDownloadTimes()
    {
        DocumentState doc;
        fillDocument(doc, QStringLiteral("/k/doc.gpn"), at(0, 8, 0));
        doc.PlayList[1].LastDownload = at(0, 11, 0);
        doc.PageList[1].LastDownload = at(0, 11, 0);
        doc.PageList[2].LastDownload = QDateTime();
        AlignDownloadTimes(doc, at(0, 10, 0));
        QCOMPARE(doc.PlayList[1].LastDownload, at(0, 10, 0)); // every play entry
        QCOMPARE(doc.PageList[0].LastDownload, at(0, 10, 0)); // raised
        QCOMPARE(doc.PageList[1].LastDownload, at(0, 11, 0)); // later: kept
        QCOMPARE(doc.PageList[2].LastDownload, at(0, 10, 0));
    }

    void captions()
    {
        SettableClock clock(at(0, 12, 0));
        const QLocale locale = QLocale::system();
        const QDateTime last = at(-1, 2, 10);
        QCOMPARE(LastUpdateText(last), QStringLiteral("Last update occurred at: ") +
                                           locale.toString(last.date(), QLocale::LongFormat) +
                                           QStringLiteral(", ") +
                                           locale.toString(last.time(), QLocale::LongFormat));
        QCOMPARE(NextUpdateText(clock, at(0, 12, 0)),
                 QStringLiteral("Next update will occur at next execution of Glasspane."));
        const QDateTime next = at(1, 2, 0);
        QCOMPARE(NextUpdateText(clock, next),
                 QStringLiteral("Next update will occur at: ") +
                     locale.toString(next.date(), QLocale::LongFormat) + QStringLiteral(", ") +
                     locale.toString(next.time(), QLocale::LongFormat));
    }
};

QTEST_GUILESS_MAIN(UpdatePolicyTest)
#include "update_policy_test.moc"
