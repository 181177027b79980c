#pragma once

#include <QWebEnginePage>

namespace glasspane {

// A page that keeps visitors inside the kiosk: no file choosers, permissions, full screen,
// protocol handlers, client certificates or certificate exceptions; script dialogs only when
// not silent; every navigation decided by its owner.
class KioskPage : public QWebEnginePage
{
    Q_OBJECT

public:
    class Owner
    {
    public:
        virtual ~Owner() = default;
        // True lets the navigation go ahead.
        virtual bool navigationRequested(KioskPage* page, const QUrl& url, NavigationType type,
                                         bool isMainFrame) = 0;
    };

    KioskPage(QWebEngineProfile* profile, Owner& owner, QObject* parent = nullptr);

    bool silent() const { return m_silent; }
    // Silent: no script dialogs and no error pages.
    void setSilent(bool silent);
    // A script's alert, question or prompt of any page is open: the renderer that asked waits
    // for its answer (and so does every page it serves).
    static bool scriptDialogOpen() { return s_scriptDialogs > 0; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

private:
    // Counts the script dialogs open while one runs.
    struct ScriptDialog
    {
        ScriptDialog() { ++s_scriptDialogs; }
        ~ScriptDialog() { --s_scriptDialogs; }
    };
    static inline int s_scriptDialogs = 0;

    Owner& m_owner;
    bool m_silent = false;
};

} // namespace glasspane
