#include "conexiones.h"

#include "appcontext.h"
#include "credentials.h"
#include "errores.h"
#include "prompts.h"

#include <memory>

namespace connections {

using namespace shell;

namespace {

std::string trim(const std::string &s)
{
    std::size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// A repository value as text; a null is error 94 (the field is skipped).
std::string fieldText(const localdb::Recordset &rs, const char *name)
{
    const localdb::Value &v = rs.Field(name);
    if (v.isNull())
        Err_Raise(kErrInvalidNull);
    return v.toString();
}

void freeSlot(AppContext &ctx, int n)
{
    Slot &s = ctx.slotTable[n];
    // A connection with a call out is kept until the waiting code has let go of it.
    auto &db = ctx.slotTable.connection(n);
    if (db && db->Busy())
        ctx.slotTable.retire(n);
    db.reset();
    s.clearTexts();
    s.connectionFlag = 0;
    s.slotState = kSlotFree;
}

} // namespace

void selectServer(AppContext &ctx, int position, const std::string &selectorText)
{
    GuardedOperation op(ctx);
    int n = 0;
    bool exists = false;
    // The slot must exist before it becomes current: past 128 nothing changes,
    // whatever the answer to the error.
    op.step([&] {
        n = position + 1;
        ctx.slotTable[n];
        ctx.slotTable.current = n;
        exists = true;
    });
    if (!exists)
        return;
    Slot &slot = ctx.slotTable[n];
    if (slot.slotState == kSlotFree && slot.connectionFlag == 0) {
        std::unique_ptr<localdb::Recordset> rs;
        op.step([&] {
            if (!ctx.repository)
                Err_Raise(kErrObjectNotSet, "The repository is not open.");
            // The name travels as a bound value: an apostrophe in it is just a character.
            rs = ctx.repository->OpenRecordset("SELECT * FROM SERVIDORES WHERE SERVIDOR = :servidor", 0,
                                               {{"servidor", trim(selectorText)}});
        });
        if (!op.alive() || !rs || rs->IsEOF())
            return;
        // Field by field: a failing field is reported (or, when null, skipped) on its own.
        slot.clearTexts();
        op.step([&] { slot.SERVIDOR = fieldText(*rs, "SERVIDOR"); });
        op.step([&] { slot.RDBMS = fieldText(*rs, "RDBMS"); });
        op.step([&] { slot.VERSION = fieldText(*rs, "VERSION"); });
        op.step([&] { slot.INSTANCIA = fieldText(*rs, "INSTANCIA"); });
        op.step([&] { slot.CONECCION = trim(fieldText(*rs, "CONECCION")); });
        op.step([&] { slot.FORMATO = fieldText(*rs, "FORMATO"); });
        op.step([&] { slot.LOGIN = fieldText(*rs, "LOGIN"); });
        op.step([&] { slot.PASSWORD = Leer_Clave(ctx, fieldText(*rs, "PASSWORD")); });
        op.step([&] { slot.LOGIN_TIME_OUT = fieldText(*rs, "LOGIN_TIME_OUT"); });
        op.step([&] { slot.QUERY_TIME_OUT = fieldText(*rs, "QUERY_TIME_OUT"); });
        op.step([&] { slot.COMENTARIO = fieldText(*rs, "COMENTARIO"); });
        op.step([&] { slot.ESTADO = fieldText(*rs, "ESTADO"); });
        op.step([&] {
            slot.connectionFlag = 0;
            slot.slotState = kSlotLoaded;
            ctx.enableConnect();
        });
    } else if (slot.slotState == kSlotLoaded) {
        if (slot.connectionFlag == kConnected)
            ctx.enableDisconnect();
        else
            ctx.enableConnect();
    }
    op.finish();
}

void connect(AppContext &ctx)
{
    const int n = ctx.slotTable.current;
    Slot &slot = ctx.slotTable[n];
    // A connection found dead is replaced by a fresh one.
    auto &old = ctx.slotTable.connection(n);
    const bool dead = slot.connectionFlag == kConnected && old && old->Dead();
    if (slot.slotState != kSlotLoaded || (slot.connectionFlag != 0 && !dead) || slot.connecting)
        return;
    if (slot.LOGIN.empty()) {
        ctx.prompts.MsgBox(kNoUser, vbOKOnly + vbExclamation, " ");
        return;
    }
    if (slot.PASSWORD.empty()) {
        ctx.prompts.MsgBox(kNoPassword, vbOKOnly + vbExclamation, " ");
        return;
    }
    // Retry runs the failing step again; Abort or Ignore free the slot.
    auto rule = [&](int answer) {
        if (answer == vbRetry) {
            Cursor_Normal(ctx);
            return Resume::Retry;
        }
        freeSlot(ctx, n);
        return Resume::End;
    };
    if (dead) {
        ctx.slotTable.retire(n);
        slot.connectionFlag = 0;
    }
    // A second Connect of the same slot while this one waits does nothing.
    struct Busy {
        AppContext &ctx;
        int n;
        Busy(AppContext &c, int slotNumber) : ctx(c), n(slotNumber) { ctx.slotTable[n].connecting = true; }
        ~Busy() { ctx.slotTable[n].connecting = false; }
    } busy(ctx, n);
    GuardedOperation op(ctx);
    op.step([&] { Cursor_Ocupado(ctx); }, rule);
    op.step(
        [&] {
            if (!ctx.session)
                Err_Raise(kErrObjectNotSet, "The Oracle session object has not been created.");
            access::OpenOptions how;
            how.waiter = ctx.waiter;
            how.connectLimitMs = ctx.connectLimitMs(slot);
            how.statementLimitMs = ctx.statementLimitMs(slot);
            ctx.slotTable.connection(n) =
                ctx.session->DbOpenDatabase(slot.CONECCION, slot.LOGIN + "/" + slot.PASSWORD, 0, how);
        },
        rule);
    op.step(
        [&] {
            auto &db = ctx.slotTable.connection(n);
            if (db && db->LastServerErr() == 0)
                slot.connectionFlag = kConnected;
        },
        rule);
    op.finish();
    if (ctx.slotTable[ctx.slotTable.current].connectionFlag == kConnected)
        ctx.enableDisconnect();
}

void disconnect(AppContext &ctx)
{
    const int n = ctx.slotTable.current;
    GuardedOperation op(ctx);
    auto rule = [](int answer) { return answer == vbRetry ? Resume::Retry : Resume::End; };
    op.step(
        [&] {
            Slot &slot = ctx.slotTable[n];
            if (slot.slotState == kSlotLoaded && slot.connectionFlag == kConnected) {
                auto &db = ctx.slotTable.connection(n);
                if (db)
                    db->Close();
                freeSlot(ctx, n);
            }
        },
        rule);
    op.finish();
    if (ctx.slotTable[ctx.slotTable.current].connectionFlag == 0)
        ctx.enableConnect();
}

void closeAll(AppContext &ctx)
{
    GuardedOperation op(ctx);
    for (int n = 1; n <= kSlots && op.alive(); ++n) {
        Slot &slot = ctx.slotTable[n];
        if (slot.slotState != kSlotLoaded || slot.connectionFlag != kConnected)
            continue;
        op.step([&] {
            auto &db = ctx.slotTable.connection(n);
            if (db)
                db->Close();
            db.reset();
            slot.slotState = kSlotFree;
            slot.connectionFlag = 0;
        });
    }
    op.finish();
}

} // namespace connections

namespace connections {

void followRegistry(AppContext &ctx, const std::vector<std::string> &servers)
{
    std::vector<bool> taken(kSlots + 1, false);
    std::vector<int> from;
    for (const std::string &name : servers) {
        int match = 0;
        for (int n = 1; n <= kSlots && match == 0; ++n) {
            const Slot &s = ctx.slotTable[n];
            if (!taken[static_cast<std::size_t>(n)] && s.slotState == kSlotLoaded && s.connectionFlag == kConnected &&
                s.SERVIDOR == trim(name))
                match = n;
        }
        if (match)
            taken[static_cast<std::size_t>(match)] = true;
        from.push_back(match);
        if (from.size() == static_cast<std::size_t>(kSlots))
            break;
    }
    ctx.slotTable.renumber(from);
    const Slot &cur = ctx.slotTable[ctx.slotTable.current];
    if (cur.slotState == kSlotLoaded && cur.connectionFlag == kConnected)
        ctx.enableDisconnect();
    else
        ctx.enableConnect();
}

} // namespace connections
