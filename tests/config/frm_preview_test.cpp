#include "app/foreign_window.h"
#include "config/frm_preview.h"

#include <QTest>

using namespace glasspane;

class FrmPreviewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framesCycleOnceASecond();
    void noWindowToShowIn();
};

void FrmPreviewTest::framesCycleOnceASecond()
{
    frmPreview preview;
    auto* tim = preview.findChild<QTimer*>(QStringLiteral("tim"));
    QVERIFY(tim);
    QCOMPARE(tim->interval(), 1000);
    QCOMPARE(preview.frameIndex(), 1);
    QList<int> seen;
    for (int i = 0; i < 5; ++i) {
        preview.tim_Timer();
        seen << preview.frameIndex();
    }
    QCOMPARE(seen, (QList<int>{2, 3, 4, 1, 2}));
}

void FrmPreviewTest::noWindowToShowIn()
{
    frmPreview preview;
    QVERIFY(!EmbedIntoForeignWindow(preview, 0));
    QVERIFY(!preview.isVisible());
}

QTEST_MAIN(FrmPreviewTest)
#include "frm_preview_test.moc"
