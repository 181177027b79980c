#pragma once

// What the end-to-end tests share: the real program in a private home, and the local server
// whose pages it shows.

#include "support/http_test_server.h"
#include "support/kiosk_process.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
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

// A file of that type.
inline HttpTestServer::Route file(const QByteArray& body, const QByteArray& type)
{
    HttpTestServer::Route route;
    route.body = body;
    route.headers = {{"Content-Type", type}};
    return route;
}

// A PNG picture of one colour.
inline QByteArray png(const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Whether a pixel is about that colour.
inline bool near(QRgb pixel, const QColor& color)
{
    return qAbs(qRed(pixel) - color.red()) < 40 && qAbs(qGreen(pixel) - color.green()) < 40 &&
           qAbs(qBlue(pixel) - color.blue()) < 40;
}

// The pictures of the show by the play-list position in their names, oldest first.
inline QMap<int, QStringList> screenshots(const QString& folder)
{
    QMap<int, QStringList> found;
    static const QRegularExpression name(QStringLiteral("-page(\\d{3})\\.png$"));
    QDirIterator it(folder, {QStringLiteral("*.png")}, QDir::Files);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort(); // named after their time
    for (const QString& path : std::as_const(paths)) {
        const QRegularExpressionMatch m = name.match(path);
        if (m.hasMatch())
            found[m.captured(1).toInt()] << path;
    }
    return found;
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
