#include "browser/navigation_events.h"

#include "document/document.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/log.h"

namespace glasspane {

NavigationSettings ReadNavigationSettings(SettingsStore& settings)
{
    NavigationSettings s;
    s.OnNewWindow = NewWindowAction(settings.read(keys::OnNewWindow));
    s.RemoveVertScroll = settings.read(keys::RemoveVertScroll);
    s.SpecialURL = settings.read(keys::SpecialURL);
    return s;
}

NavigationEvents::NavigationEvents(Browser& browser, DocumentState& doc,
                                   const ProgramValues& program, const Clock& clock,
                                   NavigationHooks hooks)
    : m_browser(browser), m_doc(doc), m_program(program), m_clock(clock), m_hooks(std::move(hooks))
{}

void NavigationEvents::BeforeNavigate2(const QString& url, bool topLevel, bool& cancel)
{
    HandleBeforeNavigate(0, url, topLevel, cancel);
}

void NavigationEvents::HandleBeforeNavigate(int, const QString& url, bool topLevel, bool& cancel)
{
    cancel = IsRestricted(url, m_doc.IncludeList, m_doc.ExcludeList, localPages());
    qCDebug(lcGlasspane) << (topLevel ? "navigation" : "frame navigation") << url
                         << (cancel ? "refused" : "");
    if (topLevel)
        m_refusal = cancel ? Refusal::Limits : Refusal::None;

    if (!cancel && IsDocumentAddress(url)) {
        // A document: the browser never shows it as text; the show starts over with it.
        cancel = true;
        if (!documentAllowed(url)) {
            qCDebug(lcGlasspane) << "document refused: the show limits navigation" << url;
            if (topLevel)
                m_refusal = Refusal::Limits;
        } else {
            if (topLevel)
                m_refusal = Refusal::Document;
            if (m_hooks.openDocument)
                m_hooks.openDocument(url);
        }
    }

    if (!cancel && topLevel && m_browser.isVisible() && m_hooks.addressText &&
        m_hooks.setAddressText && m_hooks.addressText().compare(url, Qt::CaseInsensitive) != 0) {
        setAddressBox(url);
        if (m_hooks.updateTitle)
            m_hooks.updateTitle();
    }

    if (!m_engine || !m_engine->state().NavigationMode)
        return;
    // The program's own page is no user activity, nor are the special addresses.
    if (url.compare(m_engine->displaySlot().Url, Qt::CaseInsensitive) == 0)
        return;
    const QStringList special = m_settings.SpecialURL.split(QLatin1Char(','));
    for (const QString& entry : special) {
        if (!entry.isEmpty() && url.compare(entry, Qt::CaseInsensitive) == 0)
            return;
    }
    m_engine->NoteActivity();
}

LocalPages NavigationEvents::localPages() const
{
    return LocalPages{m_program.resourceFolder,
                      m_hooks.cacheFolder ? m_hooks.cacheFolder() : QString()};
}

// A new document brings its own lists. While the document limits navigation, only the show
// itself (a page or the home page it asked for, or the cached copy of one) opens another
// document; one reached by a visitor or by a page's link, script, redirect or frame is refused.
bool NavigationEvents::documentAllowed(const QString& url) const
{
    if (!RestrictsNavigation(m_doc.IncludeList, m_doc.ExcludeList))
        return true;
    return (m_engine && SameAddress(url, m_engine->displaySlot().Url)) ||
           IsPageCacheCopy(url, localPages().cacheFolder);
}

void NavigationEvents::NewWindow2(NewWindowTarget& target)
{
    if (m_engine && m_engine->state().NavigationMode)
        return;
    switch (m_settings.OnNewWindow) {
    case NewWindowAction::MainWindow:
        target = NewWindowTarget::Main;
        break;
    case NewWindowAction::Nowhere:
        target = NewWindowTarget::Cancel;
        break;
    default:
        break;
    }
}

void NavigationEvents::setAddressBox(const QString& text)
{
    if (!m_hooks.setAddressText)
        return;
    m_hooks.setAddressText(text);
    m_addressBoxText = text;
}

void NavigationEvents::followLocation()
{
    setAddressBox(m_browser.LocationURL());
    if (m_hooks.updateTitle)
        m_hooks.updateTitle();
    RemoveScrollBars();
}

// A page's own address change loads nothing, so it is neither a page of the show (no new
// time, no completion) nor a visitor's doing (a page that rewrites its address every second
// would keep navigation mode from ever timing out). Its address passes the same test as every
// navigation, so that no address outside the limits is ever given as the page on screen.
void NavigationEvents::AddressChanged(const QString& url, bool& refuse)
{
    refuse = IsRestricted(url, m_doc.IncludeList, m_doc.ExcludeList, localPages());
    qCDebug(lcGlasspane) << "address changed" << url << (refuse ? "refused" : "");
    // The address box follows, unless a visitor is typing in it (a page may change its address
    // every second); the caption and the scroll bar stay as the document has them.
    if (!refuse && (!m_hooks.addressText || m_hooks.addressText() == m_addressBoxText))
        setAddressBox(m_browser.LocationURL());
}

void NavigationEvents::NavigateComplete2(const QString&, bool topLevel)
{
    if (topLevel)
        followLocation();
}

void NavigationEvents::DocumentComplete(const QString&, bool topLevel)
{
    if (!topLevel)
        return;
    qCDebug(lcGlasspane) << "page complete" << m_browser.LocationURL();
    if (m_engine)
        m_engine->PageLoaded();
    followLocation();
    if (m_hooks.offline && m_hooks.offline())
        return;
    if (m_engine) {
        const int page = m_engine->sequence().CurrentPage;
        if (page >= 0 && page < m_doc.PlayList.size())
            m_doc.PlayList[page].LastDownload = m_clock.now();
    }
    if (m_hooks.recordUpdateProgress)
        m_hooks.recordUpdateProgress();
}

void NavigationEvents::NavigateError(const QString& url, bool topLevel, const QString& reason)
{
    if (!topLevel)
        return;
    QString why = reason;
    if (reason.startsWith(QLatin1String("refused"))) {
        const Refusal refusal = std::exchange(m_refusal, Refusal::None);
        // Opened as a document instead: the show starts over with it.
        if (refusal == Refusal::Document)
            return;
        // "refused", or "refused (a redirect to ...)".
        if (refusal == Refusal::Limits)
            why = QStringLiteral("outside the document's allowed addresses") +
                  reason.mid(int(qstrlen("refused")));
    }
    if (m_engine)
        m_engine->PageFailed(url, why);
    else
        qCDebug(lcGlasspane) << "not shown:" << url << why;
}

void NavigationEvents::LoadStarted(const QString& url)
{
    if (m_engine)
        m_engine->PageLoadStarted(url);
}

void NavigationEvents::RemoveScrollBars()
{
    const int mode = m_settings.RemoveVertScroll;
    if (mode < 1)
        return;
    const BodyMetrics body = m_browser.bodyMetrics();
    if (!body.hasBody)
        return;
    const bool hide = mode == 1 || (mode == 2 && body.scrollHeight <= body.clientHeight);
    m_browser.setBodyScroll(hide ? QStringLiteral("no") : QString());
}

} // namespace glasspane
