#include "browser/renderer_watch.h"

#include "browser/kiosk_page.h"
#include "browser/page_scripts.h"

#include <QTimer>
#include <QWebEnginePage>

namespace glasspane {

namespace {

constexpr int kCheckMs = 250;
// Between an answer and the next question.
constexpr int kAskEveryMs = 1000;

} // namespace

RendererWatch::RendererWatch(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(kCheckMs);
    connect(m_timer, &QTimer::timeout, this, &RendererWatch::check);
    m_timer->start();
}

void RendererWatch::watch(QWebEnginePage* page)
{
    if (m_page)
        m_page->disconnect(this);
    m_page = page;
    m_reported = false;
    m_pid = 0;
    forget();
    if (!page)
        return;
    // Another document or another process: a question it was asked may never be answered.
    connect(page, &QWebEnginePage::urlChanged, this, &RendererWatch::forget);
    connect(page, &QWebEnginePage::renderProcessPidChanged, this, &RendererWatch::forget);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &RendererWatch::forget);
}

void RendererWatch::forget()
{
    ++m_question;
    m_waiting = false;
    m_answered.start();
}

void RendererWatch::check()
{
    if (!m_page || m_reported)
        return;
    const qint64 pid = m_page->renderProcessPid();
    const int bound = m_bound ? m_bound() : kRendererAnswerMs;
    if (pid <= 0 || m_page->url().isEmpty() || bound <= 0 || KioskPage::scriptDialogOpen()) {
        forget();
        return;
    }
    if (pid != m_pid) {
        m_pid = pid;
        forget();
    }
    if (m_waiting) {
        if (m_asked.elapsed() > bound) {
            m_reported = true;
            Q_EMIT unresponsive(pid, m_asked.elapsed());
        }
        return;
    }
    if (m_answered.elapsed() < kAskEveryMs)
        return;
    const quint64 question = ++m_question;
    m_waiting = true;
    m_asked.start();
    AskAlive(*m_page, this, [this, question] {
        if (question != m_question)
            return;
        m_waiting = false;
        m_answered.start();
    });
}

} // namespace glasspane
