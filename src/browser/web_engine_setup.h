#pragma once

#include <QObject>
#include <memory>

class QWebEngineProfile;

namespace glasspane {

class OnlineState;

// Removes every way of reaching Chromium's developer tools from the process before Qt
// WebEngine starts: the remote-debugging variables and switches, whether they come from the
// environment or from the program's own arguments (which Qt WebEngine also hands to Chromium).
// Call before the QApplication is built; argc and argv are edited in place.
void DisableWebEngineDebugging(int& argc, char** argv);

// Keeps the engine's start-up chatter out of the log unless verbose: Chromium's own log lines
// (its ERROR lines included) unless QTWEBENGINE_CHROMIUM_FLAGS chooses a logging level itself,
// and the information Qt WebEngine prints as it starts (its OpenGL set-up, the sandbox being
// off, the spelling dictionaries it does not find). Warnings of Qt and of the program stay;
// QT_LOGGING_RULES still wins. Call before the QApplication is built.
void QuietWebEngineLog(bool verbose);

// The browser's profile: in memory only (no cookies, cache or history left on disk), downloads
// refused, and no request to the network while the process is off-line (this machine and
// local files stay reachable). renew() puts a fresh one in its place, so that nothing of a
// visitor's browsing (cookies, web storage, HTTP authentication, cache, visited links)
// reaches the next visitor.
class BrowserProfile : public QObject
{
    Q_OBJECT

public:
    // online may be null: then nothing is ever blocked. Not owned; must outlive this object.
    explicit BrowserProfile(const OnlineState* online, QObject* parent = nullptr);
    ~BrowserProfile() override;

    QWebEngineProfile* profile() const { return m_profile; }
    // A fresh profile in place of the present one, which is deleted (with all it holds) once
    // the events now waiting have run: by then the pages on it must be gone.
    QWebEngineProfile* renew();

    // Whether a request for this address is sent while the process is off-line.
    static bool reachableOffline(const QUrl& url);
    // Whether a request for url, of this resource type (QWebEngineUrlRequestInfo::ResourceType),
    // made for the page at firstParty, may go ahead. A local file is loaded as a page (the
    // navigation checks decide), or by a local page from its own folder or below (its
    // pictures, styles, frames); never by a web page, and never by a script (XMLHttpRequest,
    // fetch), so that no page reads the kiosk's files.
    static bool localRequestAllowed(const QUrl& url, const QUrl& firstParty, int resourceType);

private:
    class Interceptor;
    QWebEngineProfile* makeProfile();

    std::unique_ptr<Interceptor> m_interceptor;
    QWebEngineProfile* m_profile = nullptr; // child of this object
};

} // namespace glasspane
