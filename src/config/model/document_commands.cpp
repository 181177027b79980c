#include "config/model/document_commands.h"

#include "document/document_files.h"
#include "document/program_values.h"
#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace glasspane {

DocumentCommands::DocumentCommands(DocumentCommandPorts ports, DocumentCommandUi& ui)
    : m_ports(std::move(ports)), m_ui(ui)
{}

QString DocumentCommands::SaveChangesQuestion(const QString& name)
{
    return QStringLiteral("Save changes to \"") + name + QStringLiteral("\"?");
}

QString DocumentCommands::RecentFileCaption(int n, const QString& name)
{
    if (n == 10)
        return QStringLiteral("1&0 ") + name;
    return u'&' + QString::number(n) + u' ' + name;
}

QString DocumentCommands::displayName() const
{
    const ProgramValues& program = m_ports.services.program;
    return program.documentSource == DocumentSource::File ? program.documentPath
                                                          : program.documentName;
}

QStringList DocumentCommands::recentFiles()
{
    return ReadRecentFiles(m_ports.services);
}

bool DocumentCommands::offerToSaveChanges()
{
    if (!m_ports.doc.ConfigChanged)
        return true;
    switch (m_ui.askSaveChanges(SaveChangesQuestion(displayName()))) {
    case DocumentCommandUi::Answer::Cancel:
        return false;
    case DocumentCommandUi::Answer::No:
        return true;
    case DocumentCommandUi::Answer::Yes:
        break;
    }
    // The edits are in the dialog: they go into the program's values before the save, and a
    // save that fails or is cancelled stops the command, so that nothing is lost.
    if (!m_ui.keepForm())
        return false;
    return Save() == FileCommandResult::Saved;
}

FileCommandResult DocumentCommands::FileCommand(int command)
{
    DocumentServices& services = m_ports.services;
    ProgramValues& program = services.program;
    DocumentState& doc = m_ports.doc;

    if (command == FileCommandId::Save)
        return Save();
    if (command == FileCommandId::SaveAs)
        return SaveAs();

    QString path;
    if (command >= FileCommandId::FirstRecent && command <= FileCommandId::LastRecent) {
        const QStringList recent = recentFiles();
        const int n = command - FileCommandId::FirstRecent;
        if (n >= recent.size())
            return FileCommandResult::Nothing;
        path = recent.at(n);
    } else if (command != FileCommandId::New && command != FileCommandId::Open &&
               command != FileCommandId::OpenLocation) {
        return FileCommandResult::Nothing;
    }

    if (!offerToSaveChanges())
        return FileCommandResult::Nothing;

    if (command == FileCommandId::New) {
        program.documentPath = NewDocumentPath(services);
        PrepareDocumentSource(services, doc);
        NewDocument(doc);
        doc.ToolRunButtons = DefaultToolRunButtons();
        doc.ToolNavButtons = DefaultToolNavButtons();
        doc.ToolNavURLVisible = true;
        return FileCommandResult::Created;
    }
    if (command == FileCommandId::Open)
        path = m_ui.chooseFileToOpen();
    else if (command == FileCommandId::OpenLocation)
        path = m_ui.chooseLocation();
    if (path.trimmed().isEmpty())
        return FileCommandResult::Nothing;
    return open(path.trimmed());
}

FileCommandResult DocumentCommands::open(const QString& path)
{
    DocumentServices& services = m_ports.services;
    ProgramValues& program = services.program;
    DocumentState& doc = m_ports.doc;
    const QString previousPath = program.documentPath;
    const QString previousName = program.documentName;
    const DocumentSource previousSource = program.documentSource;

    // Something that is no document (a web page, an error of the server) is refused before
    // anything is written, and the document in use stays.
    const QString refusal = CheckDocumentToOpen(services, path);
    if (!refusal.isEmpty()) {
        qCWarning(lcGlasspane, "cannot open the document: %s", qUtf8Printable(refusal));
        m_ui.reportFailure(QStringLiteral("The document \"") + path +
                           QStringLiteral("\" could not be opened:\r\n") + refusal);
        return FileCommandResult::Nothing;
    }
    program.documentPath = path;
    PrepareDocumentSource(services, doc);
    LoadOptions options;
    options.expand = false;
    if (!LoadDocument(services, doc, program.documentPath, program.documentName, options)) {
        qCWarning(lcGlasspane) << "cannot open the document" << path;
        m_ui.reportFailure(QStringLiteral("The document \"") + path +
                           QStringLiteral("\" could not be opened:\r\n") +
                           DescribeWriteProblem(program.documentPath));
        program.documentPath = previousPath;
        program.documentName = previousName;
        program.documentSource = previousSource;
        return FileCommandResult::Nothing;
    }
    UpdateDefaultDocumentFlag(services, doc, program.documentPath, program.documentName);
    doc.ConfigChanged = false;
    return FileCommandResult::Loaded;
}

FileCommandResult DocumentCommands::Save()
{
    const ProgramValues& program = m_ports.services.program;
    // A copy fetched from the web is replaced at the next fetch, the built-in document is
    // deleted at exit: their edits are saved where the user says.
    if (program.documentPath.isEmpty() || program.documentSource != DocumentSource::File)
        return SaveAs();
    return saveTo(program.documentPath, program.documentName);
}

FileCommandResult DocumentCommands::SaveAs()
{
    const ProgramValues& program = m_ports.services.program;
    QString proposed = program.documentPath;
    if (program.documentSource != DocumentSource::File)
        proposed = DocumentsFolder(m_ports.services.registry, m_ports.services.shell) +
                   QFileInfo(program.documentPath).fileName();
    const QString path = m_ui.chooseSaveAsPath(proposed);
    if (path.isEmpty())
        return FileCommandResult::Nothing;
    m_ports.doc.IsDefaultDocument = false;
    return saveTo(path, path);
}

FileCommandResult DocumentCommands::saveTo(const QString& path, const QString& name)
{
    QStringList failed;
    std::function<void()> writer;
    if (m_ports.writeSettings)
        writer = [this, &failed] { m_ports.writeSettings(failed); };
    const bool saved = SaveDocument(m_ports.services, m_ports.doc, path, name, writer);
    if (m_ports.afterSave)
        m_ports.afterSave();

    // The file itself is checked again: the save reports failure also for values that did
    // not reach their own place.
    const QString problem = saved ? QString() : DescribeWriteProblem(path);
    if (!problem.isEmpty()) {
        m_ui.reportFailure(QStringLiteral("The configuration could not be saved to \"") + path +
                           QStringLiteral("\":\r\n") + problem);
        return FileCommandResult::SaveFailed;
    }
    if (!failed.isEmpty()) {
        failed.removeDuplicates();
        m_ui.reportFailure(
            QStringLiteral("The document was saved, but these options could not be stored:\r\n") +
            failed.join(QStringLiteral(", ")) +
            QStringLiteral("\r\n\r\nThe settings file they belong to cannot be written. Options "
                           "for all users are kept in the machine folder (") +
            m_ports.services.program.windowsFolder +
            QStringLiteral("); choose \"Current user\" on the Default tab to keep them in "
                           "your own settings."));
        return FileCommandResult::SaveFailed;
    }
    if (!saved) {
        m_ui.reportFailure(QStringLiteral("Some values could not be saved to \"") + path + u'"');
        return FileCommandResult::SaveFailed;
    }
    m_ports.doc.ConfigChanged = false;
    return FileCommandResult::Saved;
}

QString DocumentCommands::DescribeWriteProblem(const QString& path)
{
    const QFileInfo file(path);
    if (file.exists()) {
        if (file.isDir())
            return QStringLiteral("It is a folder.");
        QFile probe(path);
        // Append neither truncates nor changes the file.
        if (!probe.open(QIODevice::Append))
            return probe.errorString();
        probe.close();
    }
    // The nearest folder that exists on the way to the file.
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot() && folder.absoluteFilePath() != u'/')
        folder = QFileInfo(folder.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("\"") + folder.absoluteFilePath() +
               QStringLiteral("\" is not a folder.");
    QTemporaryFile probe(QDir(folder.absoluteFilePath()).filePath(QStringLiteral(".gpn-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    // Room for a document of the same size and more.
    const QByteArray block(64 * 1024, ' ');
    const qint64 wanted = std::max<qint64>(file.size(), 0) + block.size();
    for (qint64 written = 0; written < wanted; written += block.size()) {
        if (probe.write(block) != block.size() || !probe.flush())
            return probe.errorString();
    }
    return QString();
}

} // namespace glasspane
