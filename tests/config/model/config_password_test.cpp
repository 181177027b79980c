// The configuration password: its stored form, the scrambled form of earlier versions, and the
// checks of the password dialog.

#include "config/model/config_password.h"
#include "config/model/program_options.h"
#include "document/document_fixture.h"

#include <QTest>

using namespace glasspane;

class ConfigPasswordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scramble_data();
    void scramble();
    void everyByteGivesOneStableCharacter();
    void storedFormRevealsNothing();
    void enter_data();
    void enter();
    void oldFormAcceptedOnceThenReplaced();
    void oldFormReplacedWhereverItStands();
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

void ConfigPasswordTest::storedFormRevealsNothing()
{
    const QString shortOne = QStringLiteral("a");
    const QString longOne = QStringLiteral("a much longer password of 32 ch.");
    const QString first = HashPassword(shortOne);
    const QString again = HashPassword(shortOne);
    const QString other = HashPassword(longOne);
    QVERIFY(first.startsWith(QLatin1String("$argon2id$")));
    // Salted: one password stored twice gives two texts; neither length nor text tells it.
    QVERIFY(first != again);
    QCOMPARE(first.size(), other.size());
    QVERIFY(!other.contains(longOne) && !other.contains(QStringLiteral("much")));
    QVERIFY(PasswordMatches(first, shortOne) && PasswordMatches(again, shortOne));
    QVERIFY(PasswordMatches(other, longOne));
    QVERIFY(!PasswordMatches(first, longOne) && !PasswordMatches(first, QStringLiteral("A")));
    QVERIFY(!IsScrambledPassword(first));
    // No password stores nothing.
    QCOMPARE(HashPassword(QString()), QString());
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
    lock.storedPassword = HashPassword(stored);
    lock.unlockedPassword = QStringLiteral("stale");
    int stores = 0;
    const PasswordCheck check = EnterPassword(lock, typed, [&](const QString&) {
        ++stores;
        return true;
    });
    QCOMPARE(check == PasswordCheck::Accepted, accepted);
    QCOMPARE(lock.isUnlocked(), accepted);
    QCOMPARE(stores, 0); // a hash stays as it is
    if (!accepted)
        QCOMPARE(PasswordCheckMessage(check), QStringLiteral("Incorrect password !"));
}

// A value stored by an earlier version: accepted when typed right, then replaced by the hash
// at once; a failed write of the new form leaves the old one, still accepted.
void ConfigPasswordTest::oldFormAcceptedOnceThenReplaced()
{
    PasswordLock lock;
    lock.storedPassword = ScramblePassword(QStringLiteral("abc")); // "h*k"
    QVERIFY(IsScrambledPassword(lock.storedPassword));
    QStringList written;
    const PasswordStore store = [&](const QString& value) {
        written << value;
        return true;
    };
    QCOMPARE(EnterPassword(lock, QStringLiteral("abd"), store), PasswordCheck::Incorrect);
    QVERIFY(written.isEmpty());
    QCOMPARE(EnterPassword(lock, QStringLiteral("abc"), store), PasswordCheck::Accepted);
    QCOMPARE(written.size(), 1);
    QVERIFY(written.first().startsWith(QLatin1String("$argon2id$")));
    QCOMPARE(lock.storedPassword, written.first());
    QVERIFY(lock.isUnlocked());

    // The next time, from what was stored: the hash, kept as it is.
    PasswordLock next;
    next.storedPassword = written.first();
    QCOMPARE(EnterPassword(next, QStringLiteral("abc"), store), PasswordCheck::Accepted);
    QCOMPARE(written.size(), 1);

    PasswordLock unwritable;
    unwritable.storedPassword = ScramblePassword(QStringLiteral("abc"));
    QCOMPARE(EnterPassword(unwritable, QStringLiteral("abc"), [](const QString&) { return false; }),
             PasswordCheck::Accepted);
    QVERIFY(unwritable.isUnlocked());
}

// The old form in the document and in the machine key (readable by every user) is replaced in
// both; another value in the per-user key is not the old one and stays.
void ConfigPasswordTest::oldFormReplacedWhereverItStands()
{
    DocumentFixture f;
    const QString old = ScramblePassword(QStringLiteral("abc"));
    const QString doc = f.write("show.gpn", "[Gpane]\r\nPassword=" + old.toUtf8() + "\r\n");
    f.program.documentPath = doc;
    const QString user = f.settings.userPath();
    const QString machine = f.settings.machinePath();
    const QString name = QStringLiteral("Password");
    QVERIFY(f.settings.WriteSetting(user, machine, name, old, SettingsLocation::HKLM));
    QVERIFY(f.settings.WriteSetting(user, machine, name, QStringLiteral("mine"),
                                    SettingsLocation::HKCU));
    const QString hash = HashPassword(QStringLiteral("abc"));
    QVERIFY(ReplaceStoredPassword(f.settings, old, hash));
    QCOMPARE(f.settings.ReadSetting(user, machine, name, SettingsLocation::Document), hash);
    QCOMPARE(f.settings.ReadSetting(user, machine, name, SettingsLocation::HKLM), hash);
    QCOMPARE(f.settings.ReadSetting(user, machine, name, SettingsLocation::HKCU),
             QStringLiteral("mine"));
    QVERIFY(!readFileBytes(doc).contains(old.toUtf8()));
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
    // The settings file refuses the new password: the old one stays, in the lock too.
    QTest::newRow("not stored") << "Kiosk"
                                << "Kiosk"
                                << "Next"
                                << "Next"
                                << "Change password failed:\r\nThe new password cannot be "
                                   "stored: the settings file cannot be written. The old "
                                   "password stays in force."
                                << "Kiosk";
    // Passwords of earlier versions are changed as well.
    QTest::newRow("from the old form") << "scrambled:Kiosk"
                                       << "Kiosk"
                                       << "Next"
                                       << "Next"
                                       << ""
                                       << "Next";
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
    const QLatin1String scrambled("scrambled:");
    lock.storedPassword = stored.startsWith(scrambled)
                              ? ScramblePassword(stored.mid(scrambled.size()))
                              : HashPassword(stored);
    const QString before = lock.storedPassword;
    const bool writable = QString::fromLatin1(QTest::currentDataTag()) != u"not stored";
    QStringList written;
    const PasswordCheck check =
        ChangePassword(lock, oldPassword, new1, new2, [&](const QString& s) {
            written.append(s);
            return writable;
        });
    QCOMPARE(PasswordCheckMessage(check), message);
    QVERIFY(PasswordMatches(lock.storedPassword, newStored));
    if (message.isEmpty()) {
        QCOMPARE(written, QStringList{lock.storedPassword});
        QVERIFY(lock.isUnlocked());
        QCOMPARE(lock.storedPassword.isEmpty(), newStored.isEmpty());
    } else {
        QCOMPARE(lock.storedPassword, before);
        QVERIFY(written.size() == (writable ? 0 : 1));
    }
}

QTEST_GUILESS_MAIN(ConfigPasswordTest)
#include "config_password_test.moc"
