// The guard of the dialogs over the show: it finds every dialog as it appears, whoever opened
// it, and closes them as cancelled (a modal loop under way returns "rejected"), the latest first;
// a change of page spares the configuration's own dialogs, the show taking over does not.

#include "browser/dialog_guard.h"
#include "engine/frontend.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace glasspane;

class DialogGuardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modalLoopsEndAsCancelled();
    void pageChangeSparesTheConfiguration();
};

// A message box opened from a dialog, each in its own modal loop: both loops end rejected, the
// inner one first, and each closing is logged with its reason.
void DialogGuardTest::modalLoopsEndAsCancelled()
{
    DialogGuard guard;
    QWidget window;
    window.show();
    QDialog outer(&window);
    outer.setWindowTitle(QStringLiteral("Print"));
    int innerResult = -1;
    QStringList order;
    QObject::connect(&outer, &QDialog::finished, [&] { order << QStringLiteral("outer"); });
    QTimer::singleShot(0, &outer, [&] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Javascript Confirm"),
                        QStringLiteral("Leave?"), QMessageBox::Ok | QMessageBox::Cancel, &outer);
        QObject::connect(&box, &QDialog::finished, [&] { order << QStringLiteral("inner"); });
        QTimer::singleShot(0, &box, [&] {
            QCOMPARE(guard.openDialogs().size(), 2);
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("dialog \"Javascript Confirm\" closed as "
                                                    "cancelled: the show takes over"));
            QTest::ignoreMessage(
                QtWarningMsg,
                QRegularExpression("dialog \"Print\" closed as cancelled: the show takes over"));
            QCOMPARE(guard.closeAll(DialogGuard::Scope::All, QStringLiteral("the show takes over")),
                     2);
        });
        innerResult = box.exec();
    });
    QCOMPARE(outer.exec(), int(QDialog::Rejected));
    // No button was pressed: never "OK".
    QCOMPARE(innerResult, int(QDialog::Rejected));
    QCOMPARE(order, (QStringList{QStringLiteral("inner"), QStringLiteral("outer")}));
    QVERIFY(guard.openDialogs().isEmpty());
    QCOMPARE(outer.property(kDialogClosedBecause).toString(),
             QStringLiteral("the show takes over"));
}

// The page changing under the configuration dialog (and under a question it asks) leaves them
// open; a page's own dialog goes.
void DialogGuardTest::pageChangeSparesTheConfiguration()
{
    DialogGuard guard;
    QWidget window;
    window.show();
    QDialog config(&window);
    config.setObjectName(QStringLiteral("frmConfig"));
    QDialog question(&config);
    QDialog alert(&window);
    alert.setWindowTitle(QStringLiteral("Javascript Alert"));
    for (QDialog* d : {&config, &question, &alert})
        d->show();
    QCOMPARE(guard.openDialogs().size(), 3);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("\"Javascript Alert\" closed as cancelled"));
    QCOMPARE(guard.closeAll(DialogGuard::Scope::Pages, QStringLiteral("the page changes")), 1);
    QVERIFY(!alert.isVisible());
    QCOMPARE(alert.result(), int(QDialog::Rejected));
    QVERIFY(config.isVisible() && question.isVisible());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDialog closed as cancelled"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDialog closed as cancelled"));
    QCOMPARE(guard.closeAll(DialogGuard::Scope::All, QStringLiteral("the show takes over")), 2);
    QVERIFY(!config.isVisible() && !question.isVisible());
}

QTEST_MAIN(DialogGuardTest)
#include "dialog_guard_test.moc"
