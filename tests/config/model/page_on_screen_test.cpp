// The address of the page on screen as the configuration dialog takes it (Grab, Current page,
// Add to favorites): a copy the show put on screen goes by the page's own address, and the
// program's own pages, deleted at exit, are known as such.

#include "config/model/page_on_screen.h"

#include <QTest>

using namespace glasspane;

class PageOnScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void address_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("slotUrl");
        QTest::addColumn<QString>("slotTarget");
        QTest::addColumn<QString>("address");
        const QString page = QStringLiteral("http://news.example/today.html");
        const QString copy = QStringLiteral("/run/user/1000/Gpane/copies/1a2b.html");
        QTest::newRow("page shown as itself") << page << page << page << page;
        QTest::newRow("cached copy on screen") << copy << page << copy << page;
        QTest::newRow("copy with the page's fragment")
            << copy + "#slide3" << page + "#slide3" << copy + "#slide3" << page + "#slide3";
        QTest::newRow("copy named as a file address") << "file://" + copy << page << copy << page;
        // The visitor browsed on from the copy: that page is what is on screen.
        QTest::newRow("browsed elsewhere")
            << "http://other.example/" << page << copy << "http://other.example/";
        QTest::newRow("no show yet") << page << QString() << QString() << page;
    }
    void address()
    {
        QFETCH(QString, location);
        QFETCH(QString, slotUrl);
        QFETCH(QString, slotTarget);
        QFETCH(QString, address);
        QCOMPARE(PageOnScreenAddress(location, slotUrl, slotTarget), address);
    }

    void runTimeAddresses()
    {
        const QString folder = QStringLiteral("/run/user/1000/Gpane");
        QVERIFY(IsRunTimeAddress(folder + "/index.html", folder));
        QVERIFY(IsRunTimeAddress("file://" + folder + "/help/general.html#top", folder));
        QVERIFY(!IsRunTimeAddress(folder + "-other/index.html", folder));
        QVERIFY(!IsRunTimeAddress(QStringLiteral("http://run/user/1000/Gpane/x"), folder));
        QVERIFY(!IsRunTimeAddress(QStringLiteral("/srv/show/index.html"), folder));
    }
};

QTEST_GUILESS_MAIN(PageOnScreenTest)
#include "page_on_screen_test.moc"
