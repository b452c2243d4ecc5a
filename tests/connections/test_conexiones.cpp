// The slot table's state machine: select server, connect, disconnect, close all.
#include "conexiones.h"
#include "windowtest.h"

#include "errores.h"
#include "sqlcvpg.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {

// A client driver for services "fake:*": SCOTT/TIGER logs in, anything else is refused.
struct FakeDriver : access::Driver {
    struct Conn : access::DriverConnection {
        access::OraResult query(const std::string &) override { return {}; }
        long execute(const std::string &) override { return 0; }
        void executePlsql(const std::string &, std::vector<access::OraBind> &) override {}
        bool connectionOK() override { return open; }
        void close() override { open = false; }
        bool open = true;
    };
    std::vector<std::string> logins;
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override
    {
        logins.push_back(service + " " + user + "/" + password);
        if (user != "SCOTT" || password != "TIGER")
            throw access::OraError::ora(1017, "invalid username/password; logon denied");
        return std::make_unique<Conn>();
    }
};

struct Slots : ::testing::Test {
    harness::WindowTest t{[] {
        harness::Options o;
        o.connect = false;
        return o;
    }()};
    AppContext &ctx = t.ctx;
    FakeDriver *fake = nullptr;

    void SetUp() override
    {
        auto d = std::make_unique<FakeDriver>();
        fake = d.get();
        ctx.session->setClientDriver(std::move(d));
        add("SCOTTDB", "  fake:A  ", "SCOTT", "TIGER");
        add("O'Hara", "fake:B", "SCOTT", "TIGER");
        add("NOLOGIN", "fake:C", "", "TIGER");
        add("NOPASS", "fake:C", "SCOTT", "");
        add("WRONG", "fake:C", "SCOTT", "LION");
        ctx.slotTable.initialise();      // as start-up leaves it: every slot free
    }

    void add(const std::string &name, const std::string &service, const std::string &login, const std::string &pw)
    {
        auto rs = ctx.repository->OpenRecordset("SERVIDORES", 1);
        rs->AddNew();
        rs->SetField("SERVIDOR", name);
        rs->SetField("INSTANCIA", "X");
        rs->SetField("CONECCION", service);
        rs->SetField("LOGIN", login);
        rs->SetField("PASSWORD", Cifrar(kCipherKey, pw));
        rs->SetField("LOGIN_TIME_OUT", 5);
        rs->SetField("ESTADO", "SQL*Vigil");
        rs->Update();
    }

    // Selector positions follow the repository's order: DEMO first.
    void pick(int position, const std::string &name) { connections::selectServer(ctx, position, name); }
    Slot &slot(int n) { return ctx.slotTable[n]; }
};

} // namespace

TEST_F(Slots, ConnectDoesNothingUntilAServerIsPicked)
{
    connections::connect(ctx);
    EXPECT_EQ(fake->logins.size(), 0u);
    EXPECT_EQ(t.prompts.count(), 0u);
    EXPECT_EQ(slot(1).slotState, kSlotFree);
    EXPECT_EQ(ctx.currentConnection(), nullptr);
}

TEST_F(Slots, SelectLoadsConnectOpensReselectOnlyFollowsButtons)
{
    pick(1, "  SCOTTDB ");
    EXPECT_EQ(ctx.slotTable.current, 2);
    EXPECT_EQ(slot(2).slotState, kSlotLoaded);
    EXPECT_EQ(slot(2).connectionFlag, 0);
    EXPECT_EQ(slot(2).SERVIDOR, "SCOTTDB");
    EXPECT_EQ(slot(2).CONECCION, "fake:A");                  // blanks removed
    EXPECT_EQ(slot(2).PASSWORD, "TIGER");                    // decoded, in memory only
    EXPECT_EQ(slot(2).LOGIN_TIME_OUT, "5");
    EXPECT_EQ(slot(2).ESTADO, "SQL*Vigil");
    EXPECT_EQ(slot(2).COMENTARIO, "");                       // null in the registry
    EXPECT_TRUE(ctx.connectEnabled);
    EXPECT_FALSE(ctx.disconnectEnabled);
    EXPECT_EQ(ctx.pointer.code(), 0);

    connections::connect(ctx);
    ASSERT_EQ(fake->logins, std::vector<std::string>{"fake:A SCOTT/TIGER"});   // one "/" and nothing else
    EXPECT_EQ(slot(2).connectionFlag, kConnected);
    EXPECT_NE(ctx.currentConnection(), nullptr);
    EXPECT_FALSE(ctx.connectEnabled);
    EXPECT_TRUE(ctx.disconnectEnabled);

    // Picking it again: nothing reloaded, only the buttons.
    ctx.enableConnect();
    pick(1, "SCOTTDB");
    EXPECT_EQ(slot(2).connectionFlag, kConnected);
    EXPECT_FALSE(ctx.connectEnabled);
    EXPECT_TRUE(ctx.disconnectEnabled);
    connections::connect(ctx);                               // connected: nothing more
    EXPECT_EQ(fake->logins.size(), 1u);
    EXPECT_EQ(t.prompts.count(), 0u) << t.prompts.log();
}

TEST_F(Slots, TwoServersConnectedAndSwitchingNeverReconnects)
{
    pick(1, "SCOTTDB");
    connections::connect(ctx);
    access::OraDatabase *first = ctx.currentConnection();
    pick(2, "O'Hara");                                       // an apostrophe is just a character
    EXPECT_EQ(slot(3).slotState, kSlotLoaded);
    EXPECT_EQ(ctx.currentConnection(), nullptr);
    connections::connect(ctx);
    access::OraDatabase *second = ctx.currentConnection();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    pick(1, "SCOTTDB");
    EXPECT_EQ(ctx.currentConnection(), first);
    pick(2, "O'Hara");
    EXPECT_EQ(ctx.currentConnection(), second);
    EXPECT_EQ(fake->logins.size(), 2u);
    EXPECT_EQ(t.prompts.count(), 0u) << t.prompts.log();

    // Close all: every open connection closed, texts kept.
    connections::closeAll(ctx);
    EXPECT_EQ(slot(2).slotState, kSlotFree);
    EXPECT_EQ(slot(3).connectionFlag, 0);
    EXPECT_EQ(slot(3).SERVIDOR, "O'Hara");
    EXPECT_EQ(ctx.currentConnection(), nullptr);
}

TEST_F(Slots, DisconnectFreesTheSlotAndConnectWaitsForAPick)
{
    pick(1, "SCOTTDB");
    connections::connect(ctx);
    connections::disconnect(ctx);
    EXPECT_EQ(slot(2).slotState, kSlotFree);
    EXPECT_EQ(slot(2).connectionFlag, 0);
    EXPECT_EQ(slot(2).SERVIDOR, "");
    EXPECT_EQ(slot(2).PASSWORD, "");
    EXPECT_TRUE(ctx.connectEnabled);
    EXPECT_FALSE(ctx.disconnectEnabled);
    connections::connect(ctx);                               // enabled, yet nothing happens
    EXPECT_EQ(fake->logins.size(), 1u);
    connections::disconnect(ctx);                            // nothing open: nothing happens
    pick(1, "SCOTTDB");
    connections::connect(ctx);
    EXPECT_EQ(fake->logins.size(), 2u);
    EXPECT_NE(ctx.currentConnection(), nullptr);
}

TEST_F(Slots, FailedConnectRetryThenAbortOrIgnoreFreesTheSlot)
{
    pick(5, "WRONG");
    t.prompts.answer(vbRetry).answer(vbAbort);
    connections::connect(ctx);
    EXPECT_EQ(fake->logins.size(), 2u);                      // retried once
    ASSERT_EQ(t.prompts.count(), 2u);
    EXPECT_EQ(t.prompts.last().title, "Error de Ejecución:440");
    EXPECT_EQ(t.prompts.last().text, "Automation error\n\nORA-01017: invalid username/password; logon denied");
    EXPECT_EQ(slot(6).slotState, kSlotFree);
    EXPECT_EQ(slot(6).connectionFlag, 0);
    EXPECT_EQ(slot(6).LOGIN, "");
    EXPECT_EQ(ctx.pointer.code(), 0);
    EXPECT_EQ(ctx.currentConnection(), nullptr);

    pick(5, "WRONG");
    t.prompts.answer(vbIgnore);
    connections::connect(ctx);
    EXPECT_EQ(slot(6).slotState, kSlotFree);
    EXPECT_EQ(slot(6).SERVIDOR, "");
}

TEST_F(Slots, MissingLoginOrPasswordIsToldAndChangesNothing)
{
    pick(3, "NOLOGIN");
    connections::connect(ctx);
    ASSERT_EQ(t.prompts.count(), 1u);
    EXPECT_EQ(t.prompts.last().text, "Debe entrar nombre de usuario");
    EXPECT_EQ(t.prompts.last().title, " ");
    EXPECT_EQ(t.prompts.last().style, vbOKOnly + vbExclamation);
    EXPECT_EQ(slot(4).slotState, kSlotLoaded);
    pick(4, "NOPASS");
    connections::connect(ctx);
    EXPECT_EQ(t.prompts.last().text, "Debe entrar la clave del usuario");
    EXPECT_EQ(slot(5).slotState, kSlotLoaded);
    EXPECT_EQ(fake->logins.size(), 0u);
}

TEST_F(Slots, OnlyTheFirst128ServersHaveSlots)
{
    pick(1, "SCOTTDB");
    t.prompts.answer(vbIgnore);
    pick(128, "SERVER129");
    ASSERT_EQ(t.prompts.count(), 1u);
    EXPECT_EQ(t.prompts.last().title, "Error de Ejecución:9");
    EXPECT_EQ(ctx.slotTable.current, 2);                     // no slot changed
    pick(127, "UNKNOWN");                                    // slot 128 exists; no such row: stop
    EXPECT_EQ(ctx.slotTable.current, 128);
    EXPECT_EQ(slot(128).slotState, kSlotFree);
    EXPECT_THROW(ctx.slotTable[0], VbError);
    EXPECT_THROW(ctx.slotTable[129], VbError);
}

TEST_F(Slots, SimulatedInstanceLogins)
{
    pick(0, "DEMO");                                         // sim:ORCL, SYSTEM/MANAGER
    connections::connect(ctx);
    ASSERT_NE(ctx.currentConnection(), nullptr) << t.prompts.log();
    auto dyn = ctx.currentConnection()->DbCreateDynaset("select user from dual", 4);
    EXPECT_EQ(dyn->Fields("USER").toString(), "SYSTEM");
    connections::disconnect(ctx);
    EXPECT_EQ(ctx.currentConnection(), nullptr);
}
