#pragma once

#include <QString>
#include <functional>

namespace glasspane {

// What the page's body measures, in CSS pixels.
struct BodyMetrics
{
    // False when there is no document or it has no body (nothing to measure or change).
    bool hasBody = false;
    int scrollHeight = 0;
    int clientHeight = -1;
};

// Where the page of a window that the page wants to open should go.
enum class NewWindowTarget {
    Separate, // a plain browser window of the program, with the same address checks
    Main,     // the main browser, which navigates to the pop-up's address (checked again there)
    Cancel,   // nowhere
};

// The browser's events, delivered on the user-interface thread, one at a time.
//
// Addresses are the program's address texts: a local file is its absolute path (with "#..."
// when the address has a fragment), anything else the full URL. They compare equal to what was
// passed to Browser::Navigate for the same page.
class BrowserEvents
{
public:
    virtual ~BrowserEvents() = default;

    // Before every navigation of the top-level page or of a frame, the program's own Navigate
    // calls and server redirects included. Setting cancel refuses it. Navigations inside a
    // separate pop-up window arrive with topLevel false.
    virtual void BeforeNavigate2(const QString& url, bool topLevel, bool& cancel) = 0;
    // The page asks for a new window. target starts as Separate.
    virtual void NewWindow2(NewWindowTarget& target) = 0;
    // The top-level page has committed to a new address (LocationURL is that address now), or
    // has moved within the document on screen to the address Browser::Navigate asked for.
    virtual void NavigateComplete2(const QString& url, bool topLevel) = 0;
    // Once per document that loaded: for the frames of a page first, the top-level document
    // last. A Navigate that moves within the document on screen (another fragment) completes
    // too, once the page has moved there: BeforeNavigate2, NavigateComplete2, DocumentComplete.
    virtual void DocumentComplete(const QString& url, bool topLevel) = 0;
    // The top-level page changed its own address without loading anything (history.pushState
    // or replaceState, a move to a fragment by the page or a visitor, back or forward within
    // it): the document on screen stays, nothing is fetched, and no DocumentComplete follows.
    // Setting refuse puts the address the document had before back (LocationURL keeps saying
    // that one meanwhile); the page's content is the same either way.
    virtual void AddressChanged(const QString& url, bool& refuse)
    {
        Q_UNUSED(url);
        Q_UNUSED(refuse);
    }
    // The browser let the top-level load of url (an address given to Browser::Navigate) begin:
    // from here on it waits for the server and the page, not for the page it leaves.
    virtual void LoadStarted(const QString& url) { Q_UNUSED(url); }
    // A top-level load ended without a document to show: refused (here or by a redirect), an
    // address the browser cannot open, a missing file, a network failure, an HTTP error status,
    // a download, a stop. url is the address given to Browser::Navigate while that call's load
    // (or one that replaced it before it completed) was under way, else the address of the
    // navigation that failed. The page shown before stays on screen. Every Navigate ends in
    // DocumentComplete or NavigateError, except where a later navigation replaces its load.
    virtual void NavigateError(const QString& url, bool topLevel, const QString& reason)
    {
        Q_UNUSED(url);
        Q_UNUSED(topLevel);
        Q_UNUSED(reason);
    }
};

// The browser shown in the main window.
class Browser
{
public:
    virtual ~Browser() = default;

    // The receiver of the events; nullptr stops delivery. Not owned.
    virtual void setListener(BrowserEvents* listener) = 0;

    // Starts loading an address (a URL, or an absolute local path). Goes through
    // BeforeNavigate2 like any other navigation.
    virtual void Navigate(const QString& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;
    // The address of the top-level document on screen; empty before the first page.
    virtual QString LocationURL() const = 0;
    // True while a top-level load is under way.
    virtual bool Busy() const = 0;

    // Silent: no script dialogs, no certificate prompts, no error pages.
    virtual bool Silent() const = 0;
    virtual void setSilent(bool silent) = 0;

    virtual bool isVisible() const = 0;
    virtual void setVisible(bool visible) = 0;
    // Gives the keyboard focus to the page.
    virtual void setFocus() = 0;
    // Closes the windows that pages opened.
    virtual void ClosePopups() {}

    // The body of the top-level document as measured just before its DocumentComplete was
    // delivered (the measure is asynchronous in the engine, so it is taken once, then kept).
    virtual BodyMetrics bodyMetrics() const = 0;
    // Measures again now; the answer arrives later, on the user-interface thread, unless the
    // browser is gone by then.
    virtual void requestBodyMetrics(std::function<void(const BodyMetrics&)> done) = 0;
    // The body's scroll setting: "no" hides the vertical scroll bar, "" gives the page its own
    // scroll behaviour back.
    virtual void setBodyScroll(const QString& scroll) = 0;

    // Printing the top-level document: whether it can be printed now, and printing it after
    // the user chose a printer. False when printing did not start; error then says why.
    virtual bool canPrint() const = 0;
    [[nodiscard]] virtual bool print(QString* error) = 0;
};

} // namespace glasspane
