#pragma once

// The real program showing pages of a local server, for the end-to-end tests of the running
// show: a private home whose connection test stays on the server, and documents of plain pages.

#include "support/http_test_server.h"
#include "support/kiosk_process.h"

#include <QRegularExpression>
#include <QTest>

namespace glasspane {

struct RunningShow
{
    HttpTestServer server;
    KioskProcess process;

    explicit RunningShow(const QString& name) : process(name)
    {
        process.writeFile(
            QStringLiteral("config/glasspane/user.reg"),
            lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                   QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                   QStringLiteral("\"TestURL\"=\"%1\"").arg(server.url("/test"))}));
        server.setPage(QStringLiteral("/test"), "ok");
    }
    // A failed test shows what the program logged.
    ~RunningShow()
    {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "program log:\n" + process.log().join(u'\n');
    }

    static QByteArray lines(const QStringList& text)
    {
        return text.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
    }

    // A page of the server that says its name.
    void addPage(const QString& path)
    {
        server.setPage(path, "<html><body style='background:#246'><h1>" + path.toUtf8() +
                                 "</h1></body></html>");
    }

    // A document (below the home) showing these server paths for `seconds` each, in a loop.
    QString writeDocument(const QString& name, const QStringList& paths, int seconds)
    {
        QStringList text{QStringLiteral("[Gpane]"), QStringLiteral("AutoLoop=Yes")};
        for (qsizetype i = 0; i < paths.size(); ++i) {
            addPage(paths.at(i));
            text << QStringLiteral("[Page%1]").arg(i + 1)
                 << QStringLiteral("URL=") + server.url(paths.at(i))
                 << QStringLiteral("DefaultTime=No") << QStringLiteral("Time=%1").arg(seconds);
        }
        return process.writeFile(name, lines(text));
    }

    // Waits for the page of that server path to complete, from log line `from` on.
    bool pageComplete(const QString& path, qsizetype from = 0)
    {
        return process.waitForLog(QRegularExpression(QStringLiteral("page complete \".*") +
                                                     QRegularExpression::escape(server.url(path)) +
                                                     QStringLiteral("\"")),
                                  KioskProcess::Wait, from);
    }
};

} // namespace glasspane
