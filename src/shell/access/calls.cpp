#include "calls.h"

#include "oraerror.h"

#include <algorithm>
#include <thread>

namespace sqlvigil::access {

namespace {

enum BreakReason { kNone = 0, kCancel = 1, kLimit = 2, kDrop = 3 };

std::string seconds(int ms)
{
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

} // namespace

PendingCall::PendingCall(std::string service, std::string user, std::string what, int limitMs)
    : m_service(std::move(service)), m_user(std::move(user)), m_what(std::move(what)), m_limitMs(std::max(0, limitMs)),
      m_start(std::chrono::steady_clock::now())
{
}

long long PendingCall::elapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
}

bool PendingCall::done() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

void PendingCall::requestBreak(int reason)
{
    std::function<void()> breaker;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_done)
            return;
        // The first reason stands: a call cancelled by the user and then dropped
        // with its window is still a cancelled call for whoever reads it.
        if (m_breakReason == kNone)
            m_breakReason = reason;
        if (reason == kDrop)
            m_dropRequested = true;
        breaker = m_breaker;
    }
    if (breaker)
        breaker();
}

void PendingCall::cancel() { requestBreak(kCancel); }
void PendingCall::expire() { requestBreak(kLimit); }
void PendingCall::drop() { requestBreak(kDrop); }

void PendingCall::abandon()
{
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_done)
            return;
        m_done = true;
        m_abandoned = true;
        if (m_breakReason == kNone)
            m_breakReason = kCancel;
        m_error = m_breakReason == kLimit ? timeLimitError(*this) : cancelError(*this);
        wake = std::move(m_wake);
        m_wake = nullptr;
    }
    m_ended.notify_all();
    if (wake)
        wake();
}

bool PendingCall::cancelled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_breakReason == kCancel;
}

bool PendingCall::expired() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_breakReason == kLimit;
}

bool PendingCall::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropRequested;
}

bool PendingCall::abandoned() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abandoned;
}

bool PendingCall::broken() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_breakReason != kNone;
}

bool PendingCall::breakable() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<bool>(m_breaker);
}

bool PendingCall::waitFor(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ms < 0) {
        m_ended.wait(lock, [this] { return m_done; });
        return true;
    }
    return m_ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; });
}

void PendingCall::setWake(std::function<void()> wake)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_done && wake) {
        lock.unlock();
        wake();
        return;
    }
    m_wake = std::move(wake);
}

void PendingCall::setBreaker(std::function<void()> breaker)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_breaker = std::move(breaker);
}

void PendingCall::finish(std::exception_ptr error)
{
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_done)
            return;          // abandoned: nobody waits for this answer any more
        m_done = true;
        m_breaker = nullptr;
        // A call broken for its time limit reports the limit, not the driver's cancel.
        if (m_breakReason == kLimit && error)
            error = timeLimitError(*this);
        m_error = error;
        wake = std::move(m_wake);
        m_wake = nullptr;
    }
    m_ended.notify_all();
    if (wake)
        wake();
}

std::exception_ptr PendingCall::error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

std::exception_ptr cancelError(const PendingCall &)
{
    return std::make_exception_ptr(OraError::ora(kCancelCode, "user requested cancel of current operation"));
}

std::exception_ptr timeLimitError(const PendingCall &call)
{
    if (call.what().rfind("CONNECT ", 0) == 0)
        return std::make_exception_ptr(OraError::ora(12170, "TNS:Connect timeout occurred: " + call.service() +
                                                                " did not answer within its time limit of " +
                                                                seconds(call.limitMs())));
    return std::make_exception_ptr(
        OraError::ora(kCancelCode, "user requested cancel of current operation: " + call.service() +
                                       " did not answer within its time limit of " + seconds(call.limitMs()) +
                                       ", so the call was stopped"));
}

bool isDeadConnectionCode(int code)
{
    switch (code) {
    case 28:       // your session has been killed
    case 1012:     // not logged on
    case 1092:     // ORACLE instance terminated. Disconnection forced
    case 3113:     // end-of-file on communication channel
    case 3114:     // not connected to ORACLE
    case 3135:     // connection lost contact
    case 12152:    // TNS:unable to send break message
    case 12537:    // TNS:connection closed
    case 12541:    // TNS:no listener
    case 12543:    // TNS:destination host unreachable
    case 12547:    // TNS:lost contact
    case 12560:    // TNS:protocol adapter error
    case 12570:    // TNS:packet reader failure
    case 12571:    // TNS:packet writer failure
        return true;
    default:
        return false;
    }
}

void BlockingWaiter::wait(const PendingCalls &calls, const std::function<void(std::size_t)> &arrived)
{
    // Calls run side by side; their limits count from their common start.
    std::vector<bool> seen(calls.size(), false);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        PendingCall &c = *calls[i];
        if (c.limitMs() > 0) {
            const long long left = c.limitMs() - c.elapsedMs();
            if (!c.waitFor(static_cast<int>(std::max(0LL, left))))
                c.expire();
        }
        if (c.broken() && !c.waitFor(c.breakable() ? kGraceMs : 0))
            c.abandon();
        c.waitFor(-1);
        if (arrived)
            arrived(i);
    }
}

void startCall(const std::shared_ptr<PendingCall> &call, std::function<void()> job)
{
    std::thread([call, job = std::move(job)] {
        std::exception_ptr error;
        try {
            // A break asked for before the thread got here ends the call at once.
            if (call->broken())
                std::rethrow_exception(cancelError(*call));
            job();
        } catch (...) {
            error = std::current_exception();
        }
        call->finish(error);
    }).detach();
}

} // namespace sqlvigil::access
