#include "platform/linux/single_instance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

namespace {

// Runs work in a thread of its own while this thread's event loop serves the running copy, as
// a later copy in another process would; its result once done.
template <typename Work> auto fromAnotherCopy(Work work)
{
    auto done = std::async(std::launch::async, work);
    [[maybe_unused]] const bool finished = QTest::qWaitFor(
        [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
    return done.get();
}

ControlAnswer ask(const QString& socket, const ControlRequest& request,
                  SingleInstance::Delivery expected = SingleInstance::Delivery::Answered)
{
    ControlAnswer answer = ControlAnswer::error(QStringLiteral("not delivered"));
    const SingleInstance::Delivery delivery =
        fromAnotherCopy([&] { return SingleInstance::send(socket, request, &answer); });
    if (delivery != expected)
        qWarning() << "delivery" << int(delivery);
    return answer;
}

// A handler that counts the requests it is given and says yes to all.
SingleInstance::Handler counting(int& handled)
{
    return [&handled](const ControlRequest&) {
        ++handled;
        return ControlAnswer::ok();
    };
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondCopyRaisesTheFirst();
    void namesAreSeparate();
    void staleSocketIsReplaced();
    void requestsReachTheHandler();
    void wireFormat_data();
    void wireFormat();
    void badRequestsAreRefused();
    void nobodyListening();
    void copyThatNeverAnswers();
    void onlyTheSameUserIsServed();
};

void SingleInstanceTest::secondCopyRaisesTheFirst()
{
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QVERIFY(!first.FindPreviousInstance());
    QVERIFY(first.isPrimary());
    QVERIFY(first.socketPath().contains(QString::number(::getuid())));
    // Only its user may even open the socket.
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(first.socketPath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);

    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(dir.path());
        QVERIFY(fromAnotherCopy([&] { return later.FindPreviousInstance(); }));
        QVERIFY(!later.isPrimary());
        QCOMPARE(later.lastAnswer().kind, ControlAnswer::Kind::Ok);
        QCOMPARE(raised.count(), start);
    }

    // A later copy may ask for something else; without a handler the first copy says no.
    SingleInstance other(dir.path());
    QVERIFY(fromAnotherCopy([&] {
        return other.FindPreviousInstance({QStringLiteral("open"), QStringLiteral("/x")});
    }));
    QCOMPARE(other.lastAnswer().kind, ControlAnswer::Kind::Error);
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
    QFile stale(SingleInstance::socketPath(dir.path()));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance next(dir.path());
    QSignalSpy raised(&next, &SingleInstance::raiseRequested);
    QVERIFY(!next.FindPreviousInstance());
    SingleInstance again(dir.path());
    QVERIFY(fromAnotherCopy([&] { return again.FindPreviousInstance(); }));
    QCOMPARE(raised.count(), 1);
}

void SingleInstanceTest::requestsReachTheHandler()
{
    QTemporaryDir dir;
    SingleInstance show(dir.path());
    QList<ControlRequest> seen;
    show.setHandler([&seen](const ControlRequest& request) {
        seen.append(request);
        if (request.command == u"status")
            return ControlAnswer::ok(
                QString(), {QStringLiteral("state: playing"), QStringLiteral("page: 2 of 3")});
        return ControlAnswer::busy(QStringLiteral("the show is changing pages"));
    });
    QVERIFY(!show.FindPreviousInstance());

    const ControlAnswer status = ask(show.socketPath(), {QStringLiteral("status"), {}});
    QCOMPARE(status.kind, ControlAnswer::Kind::Ok);
    QCOMPARE(status.lines, (QStringList{"state: playing", "page: 2 of 3"}));

    // Any path arrives as it was given, blanks, line breaks and all.
    const QString path = QStringLiteral("/srv/a b/100% sure\nnext line/é.gpn");
    const ControlAnswer busy = ask(show.socketPath(), {QStringLiteral("open"), path});
    QCOMPARE(busy.kind, ControlAnswer::Kind::Busy);
    QCOMPARE(busy.message, QStringLiteral("the show is changing pages"));
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1).command, QStringLiteral("open"));
    QCOMPARE(seen.at(1).argument, path);
}

void SingleInstanceTest::wireFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("ok") << QByteArray("ok\n") << int(ControlAnswer::Kind::Ok) << ""
                        << QStringList();
    QTest::newRow("ok with lines")
        << QByteArray("ok: fine\na: 1\nb: 2: 3\n") << int(ControlAnswer::Kind::Ok) << "fine"
        << QStringList{"a: 1", "b: 2: 3"};
    QTest::newRow("error") << QByteArray("error: the configuration dialog is open\n")
                           << int(ControlAnswer::Kind::Error) << "the configuration dialog is open"
                           << QStringList();
    QTest::newRow("nothing") << QByteArray() << int(ControlAnswer::Kind::Error)
                             << "the show gave no answer" << QStringList();
    QTest::newRow("something else")
        << QByteArray("HTTP/1.1 200 OK\n") << int(ControlAnswer::Kind::Error)
        << "the show answered something else: HTTP/1.1 200 OK" << QStringList();
}

void SingleInstanceTest::wireFormat()
{
    QFETCH(QByteArray, bytes);
    const ControlAnswer answer = ControlAnswer::decode(bytes);
    QTEST(int(answer.kind), "kind");
    QTEST(answer.message, "message");
    QTEST(answer.lines, "lines");
    // A line break inside a value can never split the answer.
    const ControlAnswer broken = ControlAnswer::ok(QString(), {QStringLiteral("address: a\nok")});
    QCOMPARE(ControlAnswer::decode(broken.encode()).lines, QStringList{"address: a ok"});
}

void SingleInstanceTest::badRequestsAreRefused()
{
    QTemporaryDir dir;
    SingleInstance show(dir.path());
    int handled = 0;
    show.setHandler(counting(handled));
    QVERIFY(!show.FindPreviousInstance());

    auto raw = [&](const QByteArray& bytes) {
        return fromAnotherCopy([&] {
            QLocalSocket socket;
            socket.connectToServer(show.socketPath());
            if (!socket.waitForConnected(5000))
                return QByteArray("no connection");
            socket.write(bytes);
            socket.waitForBytesWritten(5000);
            QByteArray answer;
            while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(5000))
                answer += socket.readAll();
            answer += socket.readAll();
            return answer;
        });
    };
    QCOMPARE(raw("st@tus\n"), QByteArray("error: not a request\n"));
    QCOMPARE(raw("\n"), QByteArray("error: not a request\n"));
    // A flood without a line end is cut off unanswered.
    QCOMPARE(raw(QByteArray(kMaxControlRequest + 100, 'x')), QByteArray());
    QCOMPARE(handled, 0);
}

void SingleInstanceTest::nobodyListening()
{
    QTemporaryDir dir;
    ControlAnswer answer;
    const QString socket = SingleInstance::socketPath(dir.path());
    QCOMPARE(SingleInstance::send(socket, {QStringLiteral("status"), {}}, &answer),
             SingleInstance::Delivery::NoCopy);
    // A socket file left by a copy that crashed.
    QFile stale(socket);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    QCOMPARE(SingleInstance::send(socket, {QStringLiteral("status"), {}}, &answer),
             SingleInstance::Delivery::NoCopy);
}

void SingleInstanceTest::copyThatNeverAnswers()
{
    QTemporaryDir dir;
    QLocalServer hung;
    QVERIFY(hung.listen(SingleInstance::socketPath(dir.path())));
    ControlAnswer answer;
    const SingleInstance::Delivery delivery = fromAnotherCopy([&] {
        return SingleInstance::send(hung.fullServerName(), {QStringLiteral("status"), {}}, &answer,
                                    0, 300);
    });
    QCOMPARE(delivery, SingleInstance::Delivery::NoAnswer);
}

void SingleInstanceTest::onlyTheSameUserIsServed()
{
    if (::getuid() != 0)
        QSKIP("needs root to connect as another user");
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python) || !QFile::exists(QStringLiteral("/usr/bin/setpriv")))
        QSKIP("needs python3 and setpriv");
    // Folder and socket opened wide, as a careless set-up might leave them: the check on the
    // connection itself still turns the other user away.
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    SingleInstance show(dir.path());
    int handled = 0;
    show.setHandler(counting(handled));
    QVERIFY(!show.FindPreviousInstance());
    QVERIFY(::chmod(QFile::encodeName(show.socketPath()).constData(), 0666) == 0);

    QProcess other;
    other.start(QStringLiteral("/usr/bin/setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), python, QStringLiteral("-c"),
                 QStringLiteral("import socket,sys\n"
                                "s = socket.socket(socket.AF_UNIX)\n"
                                "s.connect(sys.argv[1])\n"
                                "try:\n"
                                "    s.sendall(b'status\\n')\n"
                                "    got = s.recv(100)\n"
                                "except OSError:\n"
                                "    got = b''\n"
                                "sys.stdout.write(repr(got))\n"),
                 show.socketPath()});
    QVERIFY(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(other.readAllStandardOutput(), QByteArray("b''"));
    QCOMPARE(handled, 0);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
