#pragma once
// Calls that reach a server run on a thread of their own while the caller waits.
//
// A PendingCall is one such call, shared by the caller, the thread that runs it and
// whoever watches it (the console's status bar). The caller hands its calls to a
// CallWaiter, which decides how to wait: BlockingWaiter blocks the calling thread
// (command-line tools, tests without a display); the console's waiter keeps its
// event loop running, so other windows go on working while a server thinks.
//
// Whatever the waiter, a call that passes its time limit is broken and ends with
// kTimeLimitError; a call that was broken and does not end within kGraceMs is
// abandoned: its thread keeps the connection until the driver lets go, and the
// connection is unusable from then on.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

inline namespace sqlvigil {
namespace access {

class PendingCall {
public:
    // What is running where: the service, the login and the statement (as the trace
    // shows it, passwords masked); limitMs 0 means no time limit.
    PendingCall(std::string service, std::string user, std::string what, int limitMs);

    const std::string &service() const { return m_service; }
    const std::string &user() const { return m_user; }
    const std::string &what() const { return m_what; }
    int limitMs() const { return m_limitMs; }
    // Milliseconds since the call started.
    long long elapsedMs() const;

    bool done() const;
    // Cancel: breaks the call, which then ends with ORA-01013.
    void cancel();
    // The time limit passed: breaks the call, which then ends with a time-limit error.
    void expire();
    // The caller no longer wants the answer (its window closed): breaks the call; its
    // result, whatever it is, is dropped.
    void drop();
    // The call was broken and did not end: it counts as ended from now on, with the
    // error its break stands for; the thread's late answer is thrown away.
    void abandon();

    bool cancelled() const;
    bool expired() const;
    bool dropped() const;
    bool abandoned() const;
    // True once cancel, expire or drop asked for a break.
    bool broken() const;
    // True while a break can reach the call (a connection is there to break it).
    bool breakable() const;

    // Blocks the calling thread until the call ends, at most ms milliseconds (ms < 0:
    // without end). Answers done().
    bool waitFor(int ms);
    // Called once when the call ends (on the call's thread, or at once when it has
    // ended already); an empty function removes it. It must only post work elsewhere.
    void setWake(std::function<void()> wake);

    // For the thread that runs the call.
    void setBreaker(std::function<void()> breaker);
    void finish(std::exception_ptr error);
    // What the call threw (after the end): the driver's error, or the time-limit or
    // cancel error when the call was broken.
    std::exception_ptr error() const;

private:
    void requestBreak(int reason);

    const std::string m_service, m_user, m_what;
    const int m_limitMs;
    const std::chrono::steady_clock::time_point m_start;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    bool m_abandoned = false;
    bool m_dropRequested = false;
    int m_breakReason = 0;        // 0 none, 1 cancel, 2 limit, 3 drop
    std::exception_ptr m_error;
    std::function<void()> m_wake;
    std::function<void()> m_breaker;
};

using PendingCalls = std::vector<std::shared_ptr<PendingCall>>;

// Decides how a caller waits for its calls.
class CallWaiter {
public:
    virtual ~CallWaiter() = default;
    // Returns once every call of `calls` has ended (or was abandoned). `arrived(i)` runs
    // on the waiting thread as call i ends, in the order the calls end; it may be empty.
    // The waiter applies each call's time limit and the grace after a break.
    virtual void wait(const PendingCalls &calls, const std::function<void(std::size_t)> &arrived) = 0;
};

// Waits by blocking the calling thread.
class BlockingWaiter : public CallWaiter {
public:
    void wait(const PendingCalls &calls, const std::function<void(std::size_t)> &arrived) override;
};

// How long a broken call may take to end before it is abandoned.
inline constexpr int kGraceMs = 2000;

// The errors of broken calls, as the error dialog shows them.
inline constexpr int kCancelCode = 1013;
std::exception_ptr cancelError(const PendingCall &call);
std::exception_ptr timeLimitError(const PendingCall &call);

// Thrown to the caller of a call whose window closed while it was out: the operation
// ends without an error dialog.
class CallDropped : public std::exception {
public:
    const char *what() const noexcept override { return "the window that made the call has closed"; }
};

// Oracle's numbers for a connection that is gone (end-of-file on the channel, not
// connected, TNS transport and packet errors, ...).
bool isDeadConnectionCode(int serverCode);

// Runs `job` on a thread of its own; `call` ends with what it throws. `job` must own
// everything it touches: the caller may stop waiting before it ends.
void startCall(const std::shared_ptr<PendingCall> &call, std::function<void()> job);

} // namespace access
} // namespace sqlvigil
