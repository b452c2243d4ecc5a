// The window test harness itself: what every window test relies on.
#include "windowtest.h"

#include "errores.h"
#include "prompts.h"

#include <QDialog>
#include <QPushButton>

#include <gtest/gtest.h>

using harness::WindowTest;

TEST(Harness, ConnectedSlotRecordsStatementsAndInjectsFaults)
{
    WindowTest t;
    access::OraDatabase *db = t.ctx.currentConnection();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(t.ctx.slotTable[1].SERVIDOR, "DEMO");
    EXPECT_EQ(t.ctx.slotTable[1].PASSWORD, "MANAGER");
    auto dyn = db->DbCreateDynaset("select user from dual", 4);
    EXPECT_EQ(dyn->Fields("USER").toString(), "SYSTEM");
    EXPECT_EQ(t.statements(), std::vector<std::string>{"select user from dual"});
    EXPECT_TRUE(t.sent("from dual"));

    t.failNext("dual", 942, "table or view does not exist");
    shell::GuardedOperation op(t.ctx);
    t.prompts.answer(shell::vbIgnore);
    op.step([&] { db->DbCreateDynaset("select sysdate from dual", 4); });
    op.finish();
    ASSERT_EQ(t.prompts.count(), 1u);
    EXPECT_EQ(t.prompts.last().title, "Error de Ejecución:440");
    EXPECT_NE(t.prompts.last().text.find("ORA-00942"), std::string::npos);
    EXPECT_EQ(db->DbCreateDynaset("select 1 x from dual", 4)->Fields("X").toString(), "1");   // once only
    t.clearStatements();
    EXPECT_TRUE(t.statements().empty());
    t.serverScript("create table scott.harness_probe (a number)");
    EXPECT_EQ(db->DbCreateDynaset("select count(*) n from scott.harness_probe", 4)->Fields("N").toString(), "0");

    // The repository is initialised and holds DEMO.
    auto rs = t.ctx.repository->OpenRecordset("SELECT * FROM SERVIDORES");
    EXPECT_EQ(rs->Field("CONECCION").toString(), "sim:ORCL");
}

TEST(Harness, UnconnectedAndPromptsPlannedInOrder)
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    EXPECT_EQ(t.ctx.currentConnection(), nullptr);
    EXPECT_EQ(t.ctx.slotTable[1].slotState, shell::kSlotLoaded);
    t.prompts.answer(shell::vbNo).answer(shell::vbYes);
    EXPECT_EQ(t.ctx.prompts.MsgBox("Drop it?", shell::vbYesNo + shell::vbCritical + shell::vbDefaultButton2, "Cuidado!"),
              shell::vbNo);
    EXPECT_EQ(t.ctx.prompts.MsgBox("Sure?", shell::vbYesNo, "Cuidado!"), shell::vbYes);
    // Unplanned: the default button.
    EXPECT_EQ(t.ctx.prompts.MsgBox("Again?", shell::vbYesNo + shell::vbDefaultButton2, "Cuidado!"), shell::vbNo);
    EXPECT_EQ(t.prompts.seen()[0].defaultAnswer(), shell::vbNo);
    EXPECT_EQ(t.prompts.seen()[0].icon(), int(shell::vbCritical));
    EXPECT_EQ(t.prompts.count(), 3u);
}
