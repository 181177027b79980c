#pragma once

#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace glasspane {

// A desktop shell that is scripted and recorded. Its folders live under a base folder the test
// chooses (a QTemporaryDir), one subfolder per kind, created on first use.
//
//   FakeShell shell(tempDir.path());
//   shell.setOpenCommand("mp4", {"/usr/bin/player", "--full", "%f"});
//   shell.openCommand("/x/a.MP4");          // {"/usr/bin/player", "--full", "/x/a.MP4"}
//   shell.recentDocuments();                // every addRecentDocument() in order
//   shell.setScreenSaver("/usr/bin/glasspane"); // the desktop's choices, in memory
class FakeShell final : public Shell
{
public:
    explicit FakeShell(QString baseFolder) : m_base(std::move(baseFolder)) {}

    QString folder(Folder which) override
    {
        if (m_folders.contains(which))
            return m_folders.value(which);
        static constexpr const char* names[] = {"Documents", "Favorites", "Temp",
                                                "Cache",     "Data",      "Config"};
        const QString path = m_base + u'/' + QLatin1String(names[int(which)]);
        QDir().mkpath(path);
        return path;
    }
    // Makes folder() answer `path` (not created) for that kind.
    void setFolder(Folder which, const QString& path) { m_folders.insert(which, path); }

    void addRecentDocument(const QString& path) override { m_recent.append(path); }
    const QStringList& recentDocuments() const { return m_recent; }

    // The command for files with that extension (no dot, any case); an element "%f" stands for
    // the file, which is appended when no element is "%f".
    void setOpenCommand(const QString& extension, const QStringList& command)
    {
        m_commands.insert(extension.toLower(), command);
    }
    QStringList openCommand(const QString& filePath) override
    {
        m_openCommandCalls.append(filePath);
        const QStringList command = m_commands.value(QFileInfo(filePath).suffix().toLower());
        if (command.isEmpty())
            return {};
        QStringList result;
        bool placed = false;
        for (const QString& word : command) {
            if (word == QLatin1String("%f")) {
                result.append(filePath);
                placed = true;
            } else {
                result.append(word);
            }
        }
        if (!placed)
            result.append(filePath);
        return result;
    }
    const QStringList& openCommandCalls() const { return m_openCommandCalls; }

    // The default program of a MIME type; the argument is appended to it.
    void setTypeCommand(const QString& mimeType, const QStringList& command)
    {
        m_typeCommands.insert(mimeType, command);
    }
    QStringList typeCommand(const QString& mimeType, const QString& argument) override
    {
        const QStringList command = m_typeCommands.value(mimeType);
        return command.isEmpty() ? command : command + QStringList{argument};
    }

    // The desktop's choices, kept in memory; refused while not writable.
    QString defaultApplicationId(const QString& mimeType) override
    {
        return m_defaultApplications.value(mimeType);
    }
    bool setDefaultApplication(const QString& mimeType, const QString& desktopId) override
    {
        if (!m_choicesWritable)
            return false;
        m_defaultApplications.insert(mimeType, desktopId);
        return true;
    }
    QString screenSaverProgram() override { return m_screenSaver; }
    bool setScreenSaver(const QString& program) override
    {
        if (!m_choicesWritable)
            return false;
        m_screenSaver = program;
        return true;
    }
    void setChoicesWritable(bool writable) { m_choicesWritable = writable; }

    bool openExternally(const QString& urlOrPath) override
    {
        m_opened.append(urlOrPath);
        return m_openExternallyResult;
    }
    const QStringList& openedExternally() const { return m_opened; }
    void setOpenExternallyResult(bool result) { m_openExternallyResult = result; }

private:
    QString m_base;
    QHash<Folder, QString> m_folders;
    QStringList m_recent;
    QHash<QString, QStringList> m_commands;
    QStringList m_openCommandCalls;
    QHash<QString, QStringList> m_typeCommands;
    QStringList m_opened;
    bool m_openExternallyResult = true;
    QHash<QString, QString> m_defaultApplications;
    QString m_screenSaver;
    bool m_choicesWritable = true;
};

} // namespace glasspane
