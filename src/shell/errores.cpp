#include "errores.h"

#include "access/calls.h"
#include "access/oraerror.h"
#include "access/oravalue.h"
#include "appcontext.h"
#include "localdb.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <map>

namespace shell {

VbError::VbError(int number, const std::string &detail)
    : std::runtime_error(detail.empty() ? Error_Texto(number) : detail), m_number(number), m_detail(detail)
{
}

void Err_Raise(int number, const std::string &detail)
{
    throw VbError(number, detail);
}

std::string Error_Texto(int n)
{
    // The standard texts, by number: the program's own runtime errors, the Oracle
    // access layer's automation error and the repository engine's errors.
    static const std::map<int, const char *> texts = {
        {3, "Return without GoSub"},
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {7, "Out of memory"},
        {9, "Subscript out of range"},
        {11, "Division by zero"},
        {13, "Type mismatch"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {57, "Device I/O error"},
        {75, "Path/File access error"},
        {76, "Path not found"},
        {91, "Object variable or With block variable not set"},
        {94, "Invalid use of Null"},
        {380, "Invalid property value"},
        {429, "Component can't create object"},
        {438, "Object doesn't support this property or method"},
        {440, "Automation error"},
        {3000, "Reserved error; there is no message for this error."},
        {3010, "Table already exists."},
        {3012, "Object already exists."},
        {3020, "Update or CancelUpdate without AddNew or Edit."},
        {3021, "No current record."},
        {3022, "The changes you requested to the table were not successful because they would create "
               "duplicate values in the index or primary key."},
        {3024, "Couldn't find file."},
        {3027, "Can't update. Database or object is read-only."},
        {3044, "Not a valid path."},
        {3051, "The database engine can't open the file: it is in use or you need permission to see its data."},
        {3061, "Too few parameters."},
        {3075, "Syntax error in query expression."},
        {3078, "The database engine can't find the input table or query."},
        {3125, "Not a valid name."},
        {3163, "The field is too small to accept the amount of data you attempted to add."},
        {3204, "Database already exists."},
        {3211, "The database engine couldn't lock the table because it is already in use."},
        {3259, "Invalid field data type."},
        {3260, "Couldn't update; currently locked."},
        {3264, "No field defined--cannot append TableDef or Index."},
        {3265, "Item not found in this collection."},
        {3343, "Unrecognized database format."},
        {3349, "Numeric field overflow."},
        {3420, "Object invalid or no longer set."},
        {3421, "Data type conversion error."},
        {3464, "Data type mismatch in criteria expression."},
        {20504, "The report file cannot be opened."},
        {20515, "The report definition is faulty."},
        {20599, "The report's data cannot be read."},
    };
    auto it = texts.find(n);
    if (it != texts.end())
        return it->second;
    return "Application-defined or object-defined error";
}

PendingError Err_From(std::exception_ptr e)
{
    PendingError p;
    if (!e)
        return p;
    try {
        std::rethrow_exception(e);
    } catch (const access::OraError &x) {
        p.number = x.number();
        p.detail = x.what();
        p.fromServer = x.fromServer();
        p.serverCode = x.serverCode();
    } catch (const localdb::DbError &x) {
        p.number = x.number();
        p.detail = x.what();
    } catch (const VbError &x) {
        p.number = x.number();
        p.detail = x.detail();
    } catch (const std::bad_alloc &) {
        p.number = 7;
    } catch (const std::exception &x) {
        p.number = kErrAutomation;
        p.detail = x.what();
    } catch (...) {
        p.number = kErrAutomation;
    }
    if (p.number == 0)
        p.number = kErrAutomation;
    return p;
}

std::string Error_Titulo(const PendingError &err)
{
    return "Error de Ejecución:" + std::to_string(err.number);
}

std::string Error_Cuerpo(const PendingError &err)
{
    std::string body = Error_Texto(err.number);
    if (!err.detail.empty() && err.detail != body)
        body += "\n\n" + err.detail;
    return body;
}

int Manejar_Error(AppContext &ctx, const PendingError &err)
{
    Cursor_Normal(ctx);
    if (err.number == 0)
        return 0;
    if (err.number == kErrInvalidNull)
        return vbIgnore;
    // Timers that press buttons by themselves hold off while the dialog is open.
    struct Open {
        int &n;
        explicit Open(int &c) : n(c) { ++n; }
        ~Open() { --n; }
    } open(ctx.errorDialogsOpen);
    return ctx.prompts.MsgBox(Error_Cuerpo(err), vbAbortRetryIgnore + vbCritical + vbDefaultButton1,
                              Error_Titulo(err));
}

Resume defaultResume(int answer)
{
    if (answer == vbRetry)
        return Resume::Retry;
    if (answer == vbIgnore)
        return Resume::Next;
    return Resume::End;
}

GuardedOperation::GuardedOperation(AppContext &ctx) : m_ctx(ctx) {}

GuardedOperation::~GuardedOperation()
{
    finish();
}

bool GuardedOperation::step(const std::function<void()> &body)
{
    return step(body, defaultResume);
}

bool GuardedOperation::step(const std::function<void()> &body, const std::function<Resume(int)> &rule)
{
    while (!m_ended) {
        PendingError err;
        try {
            body();
            return true;
        } catch (const access::CallDropped &) {
            // The window that waited for this step has closed: the operation ends
            // without asking anything.
            m_ended = true;
            finish();
            return false;
        } catch (...) {
            err = Err_From(std::current_exception());
        }
        m_lastAnswer = Manejar_Error(m_ctx, err);
        switch (rule(m_lastAnswer)) {
        case Resume::Retry:
            continue;
        case Resume::Next:
            return true;
        case Resume::End:
            m_ended = true;
            m_finished = true;      // the handler has already restored the pointer
            return false;
        }
    }
    return false;
}

void GuardedOperation::finish()
{
    m_ended = true;
    if (m_finished)
        return;
    m_finished = true;
    Manejar_Error(m_ctx, PendingError{});
}

std::string Texto(const access::OraValue &v)
{
    if (v.isNull())
        Err_Raise(kErrInvalidNull);
    return v.toString();
}

} // namespace shell
