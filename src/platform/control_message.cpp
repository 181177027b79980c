#include "platform/control_message.h"

namespace glasspane {

namespace {

QByteArray oneLine(const QString& text)
{
    QString line = text;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return line.toUtf8();
}

} // namespace

QByteArray ControlRequest::encode() const
{
    QByteArray line = command.toUtf8();
    if (!argument.isEmpty())
        line += ' ' + argument.toUtf8().toPercentEncoding();
    return line + '\n';
}

std::optional<ControlRequest> ControlRequest::decode(const QByteArray& line)
{
    QByteArray text = line;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    const qsizetype blank = text.indexOf(' ');
    ControlRequest request;
    request.command = QString::fromUtf8(blank < 0 ? text : text.left(blank));
    if (blank >= 0)
        request.argument = QString::fromUtf8(QByteArray::fromPercentEncoding(text.mid(blank + 1)));
    if (request.command.isEmpty())
        return std::nullopt;
    for (const QChar c : std::as_const(request.command)) {
        if (!(c.isLetterOrNumber() || c == u'-') || c.unicode() > 127)
            return std::nullopt;
    }
    return request;
}

ControlAnswer ControlAnswer::ok(const QString& message, const QStringList& lines)
{
    return ControlAnswer{Kind::Ok, message, lines};
}

ControlAnswer ControlAnswer::error(const QString& message)
{
    return ControlAnswer{Kind::Error, message, {}};
}

ControlAnswer ControlAnswer::busy(const QString& message)
{
    return ControlAnswer{Kind::Busy, message, {}};
}

QByteArray ControlAnswer::encode() const
{
    QByteArray out;
    switch (kind) {
    case Kind::Ok:
        out = "ok";
        break;
    case Kind::Error:
        out = "error";
        break;
    case Kind::Busy:
        out = "busy";
        break;
    }
    if (!message.isEmpty())
        out += ": " + oneLine(message);
    out += '\n';
    for (const QString& line : lines)
        out += oneLine(line) + '\n';
    return out;
}

ControlAnswer ControlAnswer::decode(const QByteArray& bytes)
{
    QList<QByteArray> parts = bytes.split('\n');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    if (parts.isEmpty())
        return error(QStringLiteral("the show gave no answer"));
    const QString first = QString::fromUtf8(parts.takeFirst());
    ControlAnswer answer;
    const qsizetype colon = first.indexOf(QLatin1String(": "));
    const QString word = colon < 0 ? first : first.left(colon);
    if (colon >= 0)
        answer.message = first.mid(colon + 2);
    if (word == u"ok")
        answer.kind = Kind::Ok;
    else if (word == u"error")
        answer.kind = Kind::Error;
    else if (word == u"busy")
        answer.kind = Kind::Busy;
    else
        return error(QStringLiteral("the show answered something else: ") + first);
    for (const QByteArray& line : std::as_const(parts))
        answer.lines.append(QString::fromUtf8(line));
    return answer;
}

} // namespace glasspane
