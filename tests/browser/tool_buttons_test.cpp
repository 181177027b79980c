// Layout of the two tool bars in twips: button order and room, window sizes, placement.

#include "browser/tool_buttons.h"

#include <QTest>

using namespace glasspane;

namespace {

constexpr int kButton = 720; // a 48-pixel picture at 15 twips a pixel

QVector<ToolButton> buttons(int count)
{
    QVector<ToolButton> list;
    for (int i = 0; i < count; ++i) {
        ToolButton b;
        b.Name = QStringLiteral("B%1").arg(i);
        b.HelpTip = b.Name;
        b.Index = qint16(i);
        b.Position = qint16(i);
        list.append(b);
    }
    return list;
}

QVector<QSize> sizes(int count, QSize size = QSize(kButton, kButton))
{
    return QVector<QSize>(count, size);
}

ToolBarLayoutInput input()
{
    ToolBarLayoutInput in;
    in.runButtons = buttons(ToolRunCount);
    in.navButtons = buttons(ToolNavCount);
    in.runPictureSizes = sizes(ToolRunCount);
    in.navPictureSizes = sizes(ToolNavCount);
    in.urlBoxHeight = 300;
    in.runFrame = {45, 45, 270};
    in.navFrame = {60, 60, 270};
    in.screen = QSize(12000, 9000);
    return in;
}

QVector<int> visibleLefts(const ToolBarGeometry& bar)
{
    QVector<int> lefts;
    for (const ButtonPlace& p : bar.buttons)
        lefts.append(p.visible ? p.left : -1);
    return lefts;
}

} // namespace

class ToolButtonsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonOrder_data()
    {
        QTest::addColumn<QVector<int>>("positions"); // Position of kinds 0..7
        QTest::addColumn<QVector<int>>("hidden");    // kinds with Visible off
        QTest::addColumn<QVector<int>>("lefts");     // left of each kind, -1 = hidden

        const int b = kButton;
        QTest::newRow("built-in order")
            << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7} << QVector<int>{}
            << QVector<int>{0, b, 2 * b, 3 * b, 4 * b, 5 * b, 6 * b, 7 * b};
        QTest::newRow("hidden buttons take no room")
            << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7} << QVector<int>{1, 4}
            << QVector<int>{0, -1, b, 2 * b, -1, 3 * b, 4 * b, 5 * b};
        QTest::newRow("reversed") << QVector<int>{7, 6, 5, 4, 3, 2, 1, 0} << QVector<int>{}
                                  << QVector<int>{7 * b, 6 * b, 5 * b, 4 * b, 3 * b, 2 * b, b, 0};
        QTest::newRow("equal positions keep built-in order")
            << QVector<int>{5, 5, 5, 0, 0, 9, 9, 1} << QVector<int>{}
            << QVector<int>{3 * b, 4 * b, 5 * b, 0, b, 6 * b, 7 * b, 2 * b};
        QTest::newRow("equal positions, one hidden")
            << QVector<int>{2, 2, 2, 2, 2, 2, 2, 2} << QVector<int>{0}
            << QVector<int>{-1, 0, b, 2 * b, 3 * b, 4 * b, 5 * b, 6 * b};
    }

    void buttonOrder()
    {
        QFETCH(QVector<int>, positions);
        QFETCH(QVector<int>, hidden);
        QFETCH(QVector<int>, lefts);

        ToolBarLayoutInput in = input();
        for (int i = 0; i < ToolRunCount; ++i) {
            in.runButtons[i].Position = qint16(positions[i]);
            in.runButtons[i].Visible = !hidden.contains(i);
        }
        const ToolBarsLayout layout = ArrangeToolBarsLayout(in);
        QCOMPARE(visibleLefts(layout.run), lefts);
        QCOMPARE(layout.run.placedCount, ToolRunCount - int(hidden.size()));
        QCOMPARE(layout.run.contentWidth, kButton * layout.run.placedCount);
        // The list itself stays in Index order.
        for (int i = 0; i < ToolRunCount; ++i)
            QCOMPARE(in.runButtons[i].Index, i);
    }

    void sortButtonsIsStable()
    {
        QVector<ToolButton> list = buttons(6);
        const int positions[] = {3, 1, 3, 1, 0, 3};
        for (int i = 0; i < 6; ++i)
            list[i].Position = qint16(positions[i]);
        SortButtons(list, true);
        QVector<int> order;
        for (const ToolButton& b : list)
            order.append(b.Index);
        QCOMPARE(order, (QVector<int>{4, 1, 3, 0, 2, 5}));
        SortButtons(list, false);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(list[i].Index, i);
    }

    void helpFollowsHelpEnabled_data()
    {
        QTest::addColumn<bool>("helpEnabled");
        QTest::addColumn<bool>("helpVisible");
        QTest::addColumn<bool>("shown");
        QTest::newRow("enabled, visible") << true << true << true;
        QTest::newRow("disabled, visible") << false << true << false;
        QTest::newRow("enabled, hidden") << true << false << false;
    }

    void helpFollowsHelpEnabled()
    {
        QFETCH(bool, helpEnabled);
        QFETCH(bool, helpVisible);
        QFETCH(bool, shown);

        ToolBarLayoutInput in = input();
        in.helpEnabled = helpEnabled;
        in.runButtons[ToolRunHelp].Visible = helpVisible;
        in.navButtons[ToolNavHelp].Visible = helpVisible;
        // Help first on the navigation bar: it must not leave a gap when hidden.
        in.navButtons[ToolNavHelp].Position = -1;
        const ToolBarsLayout layout = ArrangeToolBarsLayout(in);

        QCOMPARE(layout.run.buttons[ToolRunHelp].visible, shown);
        QCOMPARE(layout.nav.buttons[ToolNavHelp].visible, shown);
        QCOMPARE(layout.run.placedCount, ToolRunCount - (shown ? 0 : 1));
        QCOMPARE(layout.nav.placedCount, ToolNavCount - (shown ? 0 : 1));
        QCOMPARE(layout.nav.buttons[ToolNavBack].left, shown ? kButton : 0);
    }

    void contentAndWindowSizes()
    {
        ToolBarLayoutInput in = input();
        // Pictures of different sizes: the width adds up, the height is the tallest visible.
        in.runPictureSizes[ToolRunNext] = QSize(900, 1000);
        in.runPictureSizes[ToolRunQuit] = QSize(600, 1500);
        in.runButtons[ToolRunQuit].Visible = false;
        const ToolBarsLayout unlocked = ArrangeToolBarsLayout(in);
        QCOMPARE(unlocked.run.contentWidth, 6 * kButton + 900);
        QCOMPARE(unlocked.run.contentHeight, 1000);
        QCOMPARE(unlocked.run.windowWidth, 6 * kButton + 900 + 2 * 45);
        QCOMPARE(unlocked.run.windowHeight, 1000 + 270 + 2 * 45);
        QCOMPARE(unlocked.nav.contentWidth, ToolNavCount * kButton);
        QCOMPARE(unlocked.nav.windowWidth, ToolNavCount * kButton + 2 * 60);
        QCOMPARE(unlocked.nav.windowHeight, kButton + 270 + 2 * 60 + 300);
        QCOMPARE(unlocked.urlTop, kButton);
        QCOMPARE(unlocked.urlWidth, ToolNavCount * kButton);

        in.placement.ToolRunLocked = true;
        in.placement.ToolNavLocked = true;
        in.toolNavURLVisible = false;
        const ToolBarsLayout locked = ArrangeToolBarsLayout(in);
        QCOMPARE(locked.run.windowWidth, 6 * kButton + 900);
        QCOMPARE(locked.run.windowHeight, 1000);
        QCOMPARE(locked.nav.windowWidth, ToolNavCount * kButton);
        QCOMPARE(locked.nav.windowHeight, kButton);
        QVERIFY(!locked.urlVisible);
    }

    void placement_data()
    {
        QTest::addColumn<int>("storedLeft");
        QTest::addColumn<int>("storedTop");
        QTest::addColumn<int>("storedWidth");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");

        // Locked bar with 4000 twips of buttons and 720 of height, 12000 x 9000 screen.
        const int u = kToolBarUnplaced;
        QTest::newRow("not placed: top right") << u << 0 << u << 8000 << 0 << 4000;
        QTest::newRow("right of the screen") << 15000 << 0 << u << 8000 << 0 << 4000;
        QTest::newRow("inside") << 3000 << 2000 << 5000 << 3000 << 2000 << 5000;
        QTest::newRow("left of the screen") << -500 << -20 << u << 0 << 0 << 4000;
        QTest::newRow("below the screen") << 0 << 8500 << u << 0 << 9000 - 720 << 4000;
        QTest::newRow("narrower than the buttons") << 1000 << 0 << 2000 << 1000 << 0 << 4000;
        QTest::newRow("wider than the screen") << 100 << 0 << 13000 << -1000 << 0 << 13000;
    }

    void placement()
    {
        QFETCH(int, storedLeft);
        QFETCH(int, storedTop);
        QFETCH(int, storedWidth);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);

        ToolBarLayoutInput in = input();
        in.navPictureSizes = sizes(ToolNavCount, QSize(400, 720));
        in.navButtons[0].Visible = false; // ten buttons of 400 twips
        in.toolNavURLVisible = false;
        in.placement.ToolNavLocked = true;
        in.placement.ToolNavLeft = storedLeft;
        in.placement.ToolNavTop = storedTop;
        in.placement.ToolNavWidth = storedWidth;
        const ToolBarsLayout layout = ArrangeToolBarsLayout(in);
        QCOMPARE(layout.placement.ToolNavLeft, left);
        QCOMPARE(layout.placement.ToolNavTop, top);
        QCOMPARE(layout.placement.ToolNavWidth, width);
        QCOMPARE(layout.nav.left, left);
        QCOMPARE(layout.nav.top, top);
        QCOMPARE(layout.nav.windowWidth, width);
    }

    void bothBarsUnplacedGoTopRight()
    {
        ToolBarLayoutInput in = input();
        const ToolBarsLayout layout = ArrangeToolBarsLayout(in);
        QCOMPARE(layout.placement.ToolRunLeft, 12000 - layout.run.windowWidth);
        QCOMPARE(layout.placement.ToolRunTop, 0);
        QCOMPARE(layout.placement.ToolNavLeft, 12000 - layout.nav.windowWidth);
        QCOMPARE(layout.placement.ToolNavTop, 0);
        QCOMPARE(layout.placement.ToolNavWidth, layout.nav.windowWidth);
        // Stored positions are pulled back onto the screen for the screen-saver bar too.
        in.placement.ToolRunLeft = 20000;
        in.placement.ToolRunTop = 20000;
        const ToolBarsLayout moved = ArrangeToolBarsLayout(in);
        QCOMPARE(moved.run.left, 12000 - moved.run.windowWidth);
        QCOMPARE(moved.run.top, 9000 - moved.run.windowHeight);
    }

    void resize_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("urlWidth");

        const int content = ToolNavCount * kButton; // 7920
        QTest::newRow("locked snaps back") << true << 11000 << content << content;
        QTest::newRow("locked, narrower snaps back") << true << 3000 << content << content;
        QTest::newRow("unlocked widened") << false << 10000 << 10000 << 10000 - 120;
        QTest::newRow("unlocked, never narrower than the buttons")
            << false << 2000 << content + 120 << content;
    }

    void resize()
    {
        QFETCH(bool, locked);
        QFETCH(int, requested);
        QFETCH(int, width);
        QFETCH(int, urlWidth);

        ToolBarLayoutInput in = input();
        in.placement.ToolNavLocked = locked;
        const ToolBarsLayout layout = ArrangeToolBarsLayout(in);
        const ToolNavResize r = ResizeToolNav(layout, locked, in.navFrame, requested);
        QCOMPARE(r.width, width);
        QCOMPARE(r.urlWidth, urlWidth);
        QCOMPARE(r.height, layout.nav.windowHeight);
    }

    void tipText() { QCOMPARE(ButtonTipText(QStringLiteral("Next")), QStringLiteral(" Next ")); }
};

QTEST_GUILESS_MAIN(ToolButtonsTest)
#include "tool_buttons_test.moc"
