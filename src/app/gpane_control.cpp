#include "app/gpane_control.h"

#include "document/document_files.h"
#include "engine/show_report.h"
#include "platform/linux/single_instance.h"
#include "platform/linux/xdg_shell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTextStream>
#include <QThread>

namespace glasspane {

namespace {

int finish(int code, QTextStream& out, QTextStream& err)
{
    out.flush();
    err.flush();
    return code;
}

} // namespace

int SendToShow(const ControlRequest& request, QTextStream& out, QTextStream& err)
{
    const QString folder = XdgShell::privateTempFolder();
    if (folder.isEmpty()) {
        err << "gpane: no private folder to find the show in\n";
        return finish(ControlExit::NoShow, out, err);
    }
    const QString socket = SingleInstance::socketPath(folder);
    ControlAnswer answer;
    QDeadlineTimer retry(BusyRetryMs);
    while (true) {
        switch (SingleInstance::send(socket, request, &answer)) {
        case SingleInstance::Delivery::Answered:
            break;
        case SingleInstance::Delivery::NoCopy:
            err << "gpane: no show runs\n";
            return finish(ControlExit::NoShow, out, err);
        case SingleInstance::Delivery::NoAnswer:
            err << "gpane: the show did not answer within " << SingleInstance::AnswerWaitMs / 1000
                << " s\n";
            return finish(ControlExit::Refused, out, err);
        }
        if (answer.kind != ControlAnswer::Kind::Busy || retry.hasExpired())
            break;
        QThread::msleep(200);
    }
    if (answer.kind != ControlAnswer::Kind::Ok) {
        err << "gpane: " << request.command << ": " << answer.message << '\n';
        return finish(ControlExit::Refused, out, err);
    }
    if (!answer.message.isEmpty())
        out << answer.message << '\n';
    for (const QString& line : std::as_const(answer.lines))
        out << line << '\n';
    return finish(ControlExit::Done, out, err);
}

int RunShowCommand(const char* command, const QStringList& arguments, QTextStream& out,
                   QTextStream& err)
{
    if (!arguments.isEmpty()) {
        err << "usage: gpane " << command << '\n';
        return finish(ControlExit::Usage, out, err);
    }
    return SendToShow({QString::fromLatin1(command), {}}, out, err);
}

int RunStatus(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty())
        return SendToShow({QStringLiteral("status"), {}}, out, err);
    if (arguments == QStringList{QStringLiteral("--json")})
        return SendToShow({QStringLiteral("status"), QStringLiteral("json")}, out, err);
    err << "usage: gpane status [--json]\n";
    return finish(ControlExit::Usage, out, err);
}

int RunMetrics(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (!arguments.isEmpty()) {
        err << "usage: gpane metrics\n";
        return finish(ControlExit::Usage, out, err);
    }
    QString text;
    QTextStream answer(&text);
    const int code = SendToShow({QStringLiteral("metrics"), {}}, answer, err);
    answer.flush();
    // A show that does not answer is down for whoever watches it.
    out << (code == ControlExit::Done ? text : MetricsTextDown());
    return finish(code, out, err);
}

int RunScreenshot(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty()) {
        err << "usage: gpane screenshot FILE\n";
        return finish(ControlExit::Usage, out, err);
    }
    return SendToShow(
        {QStringLiteral("screenshot"), QDir::current().absoluteFilePath(arguments.first())}, out,
        err);
}

int RunOpen(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty()) {
        err << "usage: gpane open DOCUMENT\n";
        return finish(ControlExit::Usage, out, err);
    }
    const QString document = AbsoluteDocumentPath(arguments.first(), QDir::currentPath() + u'/');
    return SendToShow({QStringLiteral("open"), document}, out, err);
}

} // namespace glasspane
