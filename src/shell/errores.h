#pragma once
// The error dialog and the resume protocol every guarded operation follows.
//
// An operation is a sequence of steps run through one GuardedOperation. A step
// that throws goes to Manejar_Error; the answer decides what happens next:
//   Retry (4)  the failing step runs again from its beginning;
//   Ignore (5) the operation goes on with the next step (error 94 is ignored silently);
//   Abort (3)  the operation ends: every later step() returns false without running.
// finish() (or the destructor) is the normal end: Manejar_Error with no error
// pending, which restores the default pointer.
//
//     GuardedOperation op(ctx);
//     op.step([&] { Cursor_Ocupado(ctx); rs = ctx.repository->OpenRecordset("SERVIDORES"); });
//     while (op.alive() && rs && !rs->IsEOF()) {
//         op.step([&] { fillRow(*rs); });            // Ignore skips just this row
//         op.step([&] { rs->MoveNext(); });
//     }
//     op.finish();
//
// An operation that gives an answer its own meaning passes a resume rule:
//     op.step(connect, [&](int answer) { if (answer == vbRetry) return Resume::Retry;
//                                        freeSlot(); return Resume::End; });
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "access/accessfwd.h"

namespace shell {

class AppContext;

// A runtime error raised by the program itself (subscript out of range, invalid
// use of a null value, ...), numbered like the errors of the components.
class VbError : public std::runtime_error {
public:
    VbError(int number, const std::string &detail = {});
    int number() const { return m_number; }
    const std::string &detail() const { return m_detail; }

private:
    int m_number;
    std::string m_detail;
};

enum ErrorNumber : int {
    kErrSubscript = 9,
    kErrTypeMismatch = 13,
    kErrInvalidCall = 5,
    kErrObjectNotSet = 91,
    kErrInvalidNull = 94,
    kErrAutomation = 440,
};

[[noreturn]] void Err_Raise(int number, const std::string &detail = {});

// The error as the handler reads it.
struct PendingError {
    int number = 0;              // 0: no error pending
    std::string detail;          // the failing component's own message, if any
    bool fromServer = false;     // raised by an Oracle server: detail is its message
    int serverCode = 0;
};

// Reads an exception into a pending error (access::OraError, localdb::DbError,
// VbError, anything else as error 440 with its message).
PendingError Err_From(std::exception_ptr e);

// The standard message text of error number n; a generic text where n has none.
std::string Error_Texto(int number);
// Title and body of the error dialog for a pending error.
std::string Error_Titulo(const PendingError &err);
std::string Error_Cuerpo(const PendingError &err);

// The one error dialog: restores the pointer; answers 0 (nothing pending),
// 5 for error 94 without showing anything, else the button pressed (3, 4, 5).
int Manejar_Error(AppContext &ctx, const PendingError &err);

enum class Resume { Retry, Next, End };
Resume defaultResume(int answer);

class GuardedOperation {
public:
    explicit GuardedOperation(AppContext &ctx);
    ~GuardedOperation();
    GuardedOperation(const GuardedOperation &) = delete;
    GuardedOperation &operator=(const GuardedOperation &) = delete;

    // Runs one step under the protocol. Answers true when the operation goes on
    // (the step succeeded or was ignored), false once it has ended.
    bool step(const std::function<void()> &body);
    bool step(const std::function<void()> &body, const std::function<Resume(int answer)> &rule);

    bool alive() const { return !m_ended; }
    // Normal end: passes through the handler with no error pending (pointer restored).
    void finish();
    // The last answer of the error dialog in this operation (0 when none was asked).
    int lastAnswer() const { return m_lastAnswer; }
    // Ends the operation without error (like leaving the procedure early).
    void end() { finish(); }

private:
    AppContext &m_ctx;
    bool m_ended = false;
    bool m_finished = false;
    int m_lastAnswer = 0;
};

// A value that must be a text or a number: a null raises error 94, which the
// protocol skips silently (the step is ignored).
std::string Texto(const access::OraValue &v);

} // namespace shell
