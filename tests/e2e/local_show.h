#pragma once

// What the end-to-end tests share: the real program in a private home, and the local server
// whose pages it shows.

#include "support/http_test_server.h"
#include "support/kiosk_process.h"

#include <QtTest>

namespace glasspane::e2e {

// Lines of a document or hive, each ended by CR LF.
inline QByteArray lines(const QStringList& text)
{
    return text.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

inline HttpTestServer::Route html(const QString& body)
{
    HttpTestServer::Route route;
    route.body = body.toUtf8();
    route.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    return route;
}

// The program and a local server, in a private home whose connection test stays on that
// server (base + "/show/test"). A failed test shows what the program logged.
struct LocalShow
{
    HttpTestServer server;
    KioskProcess process;
    QString base = server.url(QString());

    explicit LocalShow(const QString& name) : process(name)
    {
        process.writeFile(
            QStringLiteral("config/glasspane/user.reg"),
            lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                   QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                   QStringLiteral("\"TestURL\"=\"%1/show/test\"").arg(base)}));
        server.setRoute(QStringLiteral("/show/test"), html(QStringLiteral("ok")));
    }
    ~LocalShow()
    {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "program log:\n" + process.log().join(u'\n');
    }
    LocalShow(const LocalShow&) = delete;
    LocalShow& operator=(const LocalShow&) = delete;
};

} // namespace glasspane::e2e
