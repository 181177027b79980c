// Pictures of the tool bars over a page, saved for a person to look at: the show with the
// screen-saver tool bar, and navigation mode with the navigation tool bar. They go to
// $GLASSPANE_TEST_BINARY_DIR/screenshots (else the current folder). On an X server (run with
// QT_QPA_PLATFORM=xcb, under xvfb-run without a display) the whole screen is saved as well,
// which shows the bars really standing above the page's window.

#include "tool_bar_rig.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

using namespace glasspane;

namespace {

// A page as the show would have it on screen.
class PageStandIn : public QWidget
{
public:
    explicit PageStandIn(QString title) : m_title(std::move(title)) { resize(1024, 768); }
    void setTitle(const QString& title)
    {
        m_title = title;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
        sky.setColorAt(1, QColor(0x00, 0xd2, 0xff));
        p.fillRect(rect(), sky);
        QFont f = font();
        f.setPixelSize(64);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, m_title);
    }

private:
    QString m_title;
};

QString screenshotFolder()
{
    const QByteArray base = qgetenv("GLASSPANE_TEST_BINARY_DIR");
    QDir dir(base.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(base));
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots"));
}

// The page with a tool bar window drawn where it stands on the screen.
QImage compose(QWidget& page, QWidget& bar)
{
    QImage shot = page.grab().toImage();
    QPainter p(&shot);
    p.drawPixmap(bar.pos(), bar.grab());
    return shot;
}

// The screen as the X server shows it; skipped on the offscreen platform.
void saveScreen(const QString& name)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QTest::qWait(300); // the server draws what was mapped
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    QVERIFY(!screen.isNull());
    QVERIFY(screen.save(screenshotFolder() + QLatin1Char('/') + name));
}

} // namespace

class ToolBarScreenshotTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showAndNavigation()
    {
        ToolBarRig rig;
        rig.registry.setString(RegRoot::CurrentUser, QString::fromLatin1(kTypedUrlsKey),
                               QStringLiteral("url1"),
                               QStringLiteral("https://glasspane.example/"));
        rig.setPages({"http://a/", "http://b/"});
        PageStandIn show(QStringLiteral("Page one of the show"));
        show.setGeometry(0, 0, 1024, 768);
        show.show();
        rig.start(&show);
        rig.tick(2); // the show runs: Play is lit

        QVERIFY(rig.run().isVisible());
        const QImage showShot = compose(show, rig.run());
        const QString showPath = screenshotFolder() + QStringLiteral("/toolrun-show.png");
        QVERIFY(showShot.save(showPath));
        saveScreen(QStringLiteral("toolrun-show-screen.png"));

        // The bar sits at the top right corner and shows all eight buttons.
        QCOMPARE(rig.run().x() + rig.run().width() + 2 * 3, show.width());
        QCOMPARE(rig.run().y(), 0);
        QCOMPARE(rig.bars->placedButtonCount(ToolBar::Run), 8);

        rig.click(rig.runButton(ToolRunNavigation));
        rig.browser.Navigate(QStringLiteral("https://glasspane.example/"));
        rig.browser.completeLoad();
        rig.nav().txtURL()->setEditText(QStringLiteral("https://glasspane.example/"));
        QVERIFY(rig.nav().isVisible());
        QVERIFY(!rig.run().isVisible());
        show.setTitle(QStringLiteral("Browsing"));
        const QImage navShot = compose(show, rig.nav());
        const QString navPath = screenshotFolder() + QStringLiteral("/toolnav-navigation.png");
        QVERIFY(navShot.save(navPath));
        saveScreen(QStringLiteral("toolnav-navigation-screen.png"));
        qInfo("saved %s and %s", qPrintable(showPath), qPrintable(navPath));

        // The address box lies just below the buttons, across the whole bar.
        QComboBox* box = rig.nav().txtURL();
        QCOMPARE(box->y(), 48);
        QCOMPARE(box->width(), rig.nav().width());
        QCOMPARE(rig.nav().height(), 48 + box->height());
    }
};

QTEST_MAIN(ToolBarScreenshotTest)
#include "tool_bar_screenshot_test.moc"
