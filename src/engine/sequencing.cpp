// Which page comes next, and putting a page on the screen.

#include "document/document.h"
#include "document/page_address.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/text.h"
#include "engine/engine.h"
#include "platform/browser.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace glasspane {

int Engine::PageCount() const
{
    return m_ports.document.playCount();
}

bool Engine::IsPastLastPage(int position) const
{
    return position > PageCount();
}

PageInfo Engine::GetPageInfo(int position)
{
    const DocumentState& doc = m_ports.document;
    PageInfo info;
    const QString startPage = m_ports.program.resourceFolder + QStringLiteral("/index.html");
    if (position == 0) {
        if (doc.HomeAsSplash) {
            info.url = doc.HomeURL;
            info.time = doc.DefaultTime != 0 ? doc.DefaultTime : 10;
            for (int i = 1; i <= PageCount(); ++i) {
                const PlayEntry& e = doc.PlayList[i];
                if (e.URL == doc.HomeURL) {
                    info.cached = e.Cached;
                    info.separate = e.SeparateProc;
                    break;
                }
            }
        } else {
            info.url = startPage;
            info.time = 2;
        }
        m_seq.SplashUrl = info.url;
        return info;
    }
    // Outside the list there is nothing to show (callers test IsPastLastPage first).
    if (position < 0 || position > PageCount())
        return info;
    const PlayEntry& e = doc.PlayList[position];
    info.url = e.URL;
    if (e.SourcePage >= 0 && e.SourcePage < doc.PageList.size() &&
        doc.PageList[e.SourcePage].Var1Type == VarInvisible) {
        info.url = startPage;
        info.hide = true;
    }
    info.time = e.DefaultTime ? doc.DefaultTime : e.Time;
    info.cached = e.Cached;
    info.separate = e.SeparateProc;
    return info;
}

void Engine::ensureRandomArrays(int upperBound)
{
    const int size = upperBound + 1;
    if (m_seq.RandomOrder.size() < size)
        m_seq.RandomOrder.resize(size, 0);
    if (m_seq.RandomUsed.size() < size)
        m_seq.RandomUsed.resize(size, 0);
}

void Engine::ResetRandomOrder()
{
    const int size = PageCount() + 1;
    m_seq.RandomOrder.fill(0, size);
    m_seq.RandomUsed.fill(0, size);
}

void Engine::AfterDocumentLoad()
{
    ResetRandomOrder();
    m_seq.CurrentPage = StartPageCycle();
}

int Engine::StepPage(int delta)
{
    const bool autoLoop = m_ports.document.AutoLoop;
    SetState(RunState::NAVIGATE);

    if (!m_settings.RandomMode) {
        int n = m_seq.CurrentPage + delta;
        if (delta > 0 && IsPastLastPage(n)) {
            if (autoLoop) {
                EndOfCycle();
                n = StartPageCycle();
            } else {
                SetState(RunState::FINPROG);
            }
        } else if (delta < 0 && n < 1) {
            if (autoLoop) {
                EndOfCycle();
                n = PageCount();
            } else {
                n = 0; // the splash page; never before it
            }
        }
        return n;
    }

    int n = m_seq.RandomPos + delta;
    if (delta > 0 && IsPastLastPage(n)) {
        if (autoLoop) {
            ResetRandomOrder();
            EndOfCycle();
            StartPageCycle();
            n = 1;
        } else {
            SetState(RunState::FINPROG);
        }
    } else if (delta < 0 && n < 1) {
        if (autoLoop) {
            n = PageCount();
        } else {
            // Back before the first page of the cycle: the splash page, as in sequential order.
            m_seq.RandomPos = 0;
            return 0;
        }
    }
    // The play list may have grown since the arrays were made (a grabbed page).
    ensureRandomArrays(PageCount());
    int result = n;
    if (n >= 1 && n < m_seq.RandomOrder.size()) {
        if (m_seq.RandomOrder[n] == 0) {
            const int r = PickRandomPage();
            m_seq.RandomOrder[n] = r;
            if (r >= 0 && r < m_seq.RandomUsed.size())
                m_seq.RandomUsed[r] = n;
        }
        result = m_seq.RandomOrder[n];
    }
    m_seq.RandomPos = n;
    return result;
}

int Engine::StartPageCycle()
{
    if (!m_settings.RandomMode)
        return 1;
    if (m_seq.RandomPos == 0) {
        ensureRandomArrays(1);
        const int r = PickRandomPage();
        m_seq.RandomOrder[1] = r;
        if (r >= 0 && r < m_seq.RandomUsed.size())
            m_seq.RandomUsed[r] = 1;
    }
    m_seq.RandomPos = 1;
    return m_seq.RandomOrder.size() > 1 ? m_seq.RandomOrder[1] : 0;
}

int Engine::PickRandomPage()
{
    m_seq.RandomStep = m_seq.RandomStep != 1 ? 1 : -1;
    const int count = PageCount();
    int r = 1;
    if (count > 1)
        r = std::uniform_int_distribution<int>(1, count)(m_random);
    // Probe for a page not shown in this cycle, wrapping around the list. Once every page is
    // taken (the list shrank or grew under the cycle) the probe gives up rather than spin.
    const int last = int(m_seq.RandomUsed.size()) - 1;
    for (int probes = 0; probes <= last && r >= 0 && r <= last && m_seq.RandomUsed[r] != 0;
         ++probes) {
        if (r == last && m_seq.RandomStep == 1)
            r = 1;
        else if (r == 1 && m_seq.RandomStep == -1)
            r = last;
        else
            r += m_seq.RandomStep;
    }
    return r;
}

void Engine::EndOfCycle()
{
    if (m_hooks.newCycle)
        m_hooks.newCycle();
    if (m_hooks.updateDue)
        m_hooks.updateDue();
    const bool reload = m_hooks.reloadAtEndOfCycle ? m_hooks.reloadAtEndOfCycle() : true;
    if (reload && m_hooks.reloadDocument) {
        (void)m_hooks.reloadDocument();
        // The play list may have changed, whether or not the load succeeded.
        AfterDocumentLoad();
    }
}

bool Engine::BrowseTo(const QString& address, int time, bool hide, bool cached, bool separate)
{
    Browser& browser = m_ports.browser;
    if (m_pageLeaving)
        m_pageLeaving();
    m_slot.Time = time;
    ++m_slot.Browsed;
    // Only the splash page already on screen is left alone; any other page is loaded again,
    // so a one-page list reloads its page at every cycle.
    if (splashOnScreen(address)) {
        m_slot.Loaded = true;
    } else {
        m_slot.Url = address;
        // Whatever called: this page has yet to load (a page shown while paused included).
        m_slot.Loaded = false;
        m_slot.Failed = false;
        m_slot.LoadedAt = 0;
        m_slot.Late = false;
        m_slot.OnScreenSince = 0;
        m_slot.Started = false;
        // A new page of the show: the windows the last one opened do not stay over it.
        if (!m_state.NavigationMode)
            browser.ClosePopups();
        if (m_hooks.updateDue)
            m_hooks.updateDue();
        if (!browser.Silent())
            browser.setSilent(true);
        QStringList command;
        auto navigate = [&](const QString& target) {
            m_slot.Target = target;
            browser.Navigate(target);
        };
        // A page the document's lists forbid is neither fetched nor shown as a copy, which no
        // list would stop: the browser is asked for the address itself, and refuses it.
        const DocumentState& doc = m_ports.document;
        if (!cached || (RestrictsNavigation(doc.IncludeList, doc.ExcludeList) &&
                        IsRestricted(ShownAddress(address), doc.IncludeList, doc.ExcludeList,
                                     m_ports.program.resourceFolder))) {
            navigate(address);
        } else {
            const qsizetype hash = address.indexOf(QLatin1Char('#'));
            const QString local =
                m_hooks.fetchPage ? m_hooks.fetchPage(address) : address.left(hash);
            // The window goes on while a page is fetched: a page shown meanwhile stays.
            if (m_slot.Url != address)
                return true;
            if (local.isEmpty()) {
                // Nothing to show: said at once, and the show moves on.
                m_slot.Target = address;
                PageFailed(address, QStringLiteral("it could not be fetched and the cache holds "
                                                   "no copy of it"));
            } else if (!separate || (m_hooks.browserShows && m_hooks.browserShows(local))) {
                // The copy as the page it is, with the address's own fragment (a deck's slide):
                // a copy named ".tmp" is shown as the type the server sent, while the program
                // lookup below goes by the copy's own name.
                const QString fragment = hash < 0 ? QString() : address.mid(hash);
                navigate((m_hooks.viewableCopy ? m_hooks.viewableCopy(local) : local) + fragment);
            } else {
                command = m_ports.shell.openCommand(local);
                m_slot.Loaded = true;
                navigate(m_ports.program.resourceFolder + QStringLiteral("/black.html"));
            }
        }
        if (m_seq.ExternalPid != 0) {
            TerminateExternal(m_seq.ExternalPid);
            m_seq.ExternalPid = 0;
        }
        if (!command.isEmpty())
            m_seq.ExternalPid = m_ports.system.startProcess(command.first(), command.mid(1));
    }
    if (m_slot.Loaded)
        m_seq.FailStreak = 0; // shown without loading anything
    if (hide) {
        m_ports.frontend.setMainVisible(false);
        m_seq.MainHidden = true;
    } else if (m_seq.MainHidden) {
        m_ports.frontend.setMainVisible(true);
        m_seq.MainHidden = false;
    }
    return true;
}

void Engine::GoHome()
{
    const DocumentState& doc = m_ports.document;
    bool cached = false;
    bool separate = true;
    for (int i = 1; i <= PageCount(); ++i) {
        if (doc.PlayList[i].URL == doc.HomeURL) {
            cached = doc.PlayList[i].Cached;
            separate = doc.PlayList[i].SeparateProc;
            break;
        }
    }
    m_slot.Position = -1;
    BrowseTo(doc.HomeURL, 10, false, cached, separate);
}

void Engine::TerminateExternal(qint64 pid)
{
    if (pid != 0)
        m_ports.system.terminateProcess(pid);
}

void Engine::ChooseFirstPage()
{
    // None stored, or one that is no number, gives -1, which is outside the list like a
    // negative one.
    m_seq.CurrentPage =
        m_settings.FirstPageIsLastPage ? m_ports.settings.read(keys::FirstPage, -1) : -1;
    if (m_seq.CurrentPage > PageCount() || m_seq.CurrentPage < 0)
        m_seq.CurrentPage = StartPageCycle();
}

} // namespace glasspane
