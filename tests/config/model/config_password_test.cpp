// The configuration password: its one-way scrambling and the checks of the password dialog.

#include "config/model/config_password.h"

#include <QTest>

using namespace glasspane;

class ConfigPasswordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scramble_data();
    void scramble();
    void everyByteGivesOneStableCharacter();
    void enter_data();
    void enter();
    void change_data();
    void change();
};

void ConfigPasswordTest::scramble_data()
{
    QTest::addColumn<QString>("clear");
    QTest::addColumn<QString>("scrambled");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("abc") << "abc"
                         << "h*k";
    // Two equal characters: the running value falls to 0, stored as code 41.
    QTest::newRow("doubled") << "aa"
                             << "h)";
    QTest::newRow("capitals differ") << "ABC"
                                     << "H*K";
    // '~' + 7 goes past 127: code 133 is a Windows-1252 character, as stored by earlier versions.
    QTest::newRow("tilde") << "~" << QString(QChar(0x2026));
    // A Windows-1252 letter counts by its code there: 0xE9 + 7 = 0xF0.
    QTest::newRow("e acute") << QString(QChar(0xE9)) << QString(QChar(0xF0));
}

void ConfigPasswordTest::scramble()
{
    QFETCH(QString, clear);
    QFETCH(QString, scrambled);
    QCOMPARE(ScramblePassword(clear), scrambled);
}

void ConfigPasswordTest::everyByteGivesOneStableCharacter()
{
    // Characters beyond the code page count by their UTF-8 bytes; the codes near 255 push the
    // running value beyond a byte. Either way: no control character, the same text each time.
    const QString text = QStringLiteral("\u00FF\u00FE\u20AC\u4E2D\U0001F600");
    const QString once = ScramblePassword(text);
    QCOMPARE(ScramblePassword(text), once);
    QCOMPARE(once.size(), 2 + 1 + 3 + 4);
    for (const QChar c : once)
        QVERIFY2(c.unicode() >= 32, qPrintable(QString::number(c.unicode())));
    QVERIFY(ScramblePassword(QStringLiteral("\u4E2D")) !=
            ScramblePassword(QStringLiteral("\u4E2E")));
}

void ConfigPasswordTest::enter_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "Secret"
                           << "Secret" << true;
    QTest::newRow("case matters") << "Secret"
                                  << "secret" << false;
    QTest::newRow("empty typed") << "Secret"
                                 << "" << false;
    QTest::newRow("none stored, none typed") << ""
                                             << "" << true;
}

void ConfigPasswordTest::enter()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    PasswordLock lock;
    lock.storedPassword = ScramblePassword(stored);
    lock.unlockedPassword = QStringLiteral("stale");
    const PasswordCheck check = EnterPassword(lock, typed);
    QCOMPARE(check == PasswordCheck::Accepted, accepted);
    QCOMPARE(lock.isUnlocked(), accepted);
    if (!accepted)
        QCOMPARE(PasswordCheckMessage(check), QStringLiteral("Incorrect password !"));
}

void ConfigPasswordTest::change_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<QString>("message"); // "" = accepted
    QTest::addColumn<QString>("newStored");

    const QString oldWrong =
        QStringLiteral("Change password failed:\r\nOld password is incorrect !");
    const QString different =
        QStringLiteral("Change password failed:\r\nPasswords are different !");
    QTest::newRow("set the first") << ""
                                   << ""
                                   << "Kiosk"
                                   << "Kiosk"
                                   << ""
                                   << "Kiosk";
    QTest::newRow("change") << "Kiosk"
                            << "Kiosk"
                            << "Next"
                            << "Next"
                            << ""
                            << "Next";
    QTest::newRow("remove") << "Kiosk"
                            << "Kiosk"
                            << ""
                            << ""
                            << ""
                            << "";
    QTest::newRow("old wrong") << "Kiosk"
                               << "kiosk"
                               << "Next"
                               << "Next" << oldWrong << "Kiosk";
    // Both faults: only the first is reported.
    QTest::newRow("old wrong and new differ") << "Kiosk"
                                              << "x"
                                              << "Next"
                                              << "Nest" << oldWrong << "Kiosk";
    QTest::newRow("new differ") << "Kiosk"
                                << "Kiosk"
                                << "Next"
                                << "next" << different << "Kiosk";
}

void ConfigPasswordTest::change()
{
    QFETCH(QString, stored);
    QFETCH(QString, oldPassword);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(QString, message);
    QFETCH(QString, newStored);

    PasswordLock lock;
    lock.storedPassword = ScramblePassword(stored);
    QStringList written;
    const PasswordCheck check =
        ChangePassword(lock, oldPassword, new1, new2, [&](const QString& s) { written.append(s); });
    QCOMPARE(PasswordCheckMessage(check), message);
    QCOMPARE(lock.storedPassword, ScramblePassword(newStored));
    if (message.isEmpty()) {
        QCOMPARE(written, QStringList{ScramblePassword(newStored)});
        QVERIFY(lock.isUnlocked());
    } else {
        QVERIFY(written.isEmpty());
    }
}

QTEST_GUILESS_MAIN(ConfigPasswordTest)
#include "config_password_test.moc"
