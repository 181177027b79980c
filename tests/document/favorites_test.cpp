// Shortcuts added to the favourites: safe file names, the folder choice, the file written.

#include "document/favorites.h"
#include "document/ini_files.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

class FavoritesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileNames_data();
    void fileNames();
    void shortcutWritten();
    void folderOutsideRefused();
};

void FavoritesTest::fileNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "City news"
                           << "City news";
    QTest::newRow("slashes") << "News / Sport\\Local"
                             << "News Sport Local";
    QTest::newRow("climbing out") << "../../etc/passwd"
                                  << "etc passwd";
    QTest::newRow("dots around") << "..hidden.."
                                 << "hidden";
    QTest::newRow("control characters") << QString("a\tb\nc") << "a b c";
    QTest::newRow("nothing left") << " ./ "
                                  << "Untitled";
    QTest::newRow("empty") << ""
                           << "Untitled";
    QTest::newRow("long") << QString(300, u'x') << QString(200, u'x');
}

void FavoritesTest::fileNames()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(ShortcutFileName(title), name);
}

void FavoritesTest::shortcutWritten()
{
    QTemporaryDir dir;
    const QString favorites = dir.filePath(QStringLiteral("Favorites"));
    QVERIFY(QDir().mkpath(favorites + QStringLiteral("/News/Local")));
    QVERIFY(QDir().mkpath(favorites + QStringLiteral("/Arts")));
    QCOMPARE(FavoriteFolders(favorites), (QStringList{"Arts", "News", "News/Local"}));

    IniFiles ini;
    QString error;
    const QString path = AddFavoriteShortcut(ini, favorites, QStringLiteral("News/Local"),
                                             QStringLiteral("Town: hall?"),
                                             QStringLiteral("http://town.example/"), &error);
    QCOMPARE(path, favorites + QStringLiteral("/News/Local/Town hall.url"));
    QCOMPARE(QString::fromUtf8(readFileBytes(path)).remove(u'\r'),
             QStringLiteral("[InternetShortcut]\nURL=http://town.example/\n"));
    // A new folder below the favourites is made.
    QVERIFY(!AddFavoriteShortcut(ini, favorites, QStringLiteral("New"), QStringLiteral("x"),
                                 QStringLiteral("http://x/"), &error)
                 .isEmpty());
}

void FavoritesTest::folderOutsideRefused()
{
    QTemporaryDir dir;
    const QString favorites = dir.filePath(QStringLiteral("Favorites"));
    IniFiles ini;
    QString error;
    QVERIFY(AddFavoriteShortcut(ini, favorites, QStringLiteral("../Elsewhere"), QStringLiteral("x"),
                                QStringLiteral("http://x/"), &error)
                .isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(!QDir(dir.filePath(QStringLiteral("Elsewhere"))).exists());
}

QTEST_GUILESS_MAIN(FavoritesTest)
#include "favorites_test.moc"
