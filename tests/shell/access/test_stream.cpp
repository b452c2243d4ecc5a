// Streamed results: rows reach the receiver as the driver's cursor produces them, in
// arrays, and reading a result of any size holds one array at a time.
#include "orasession.h"
#include "simdriver.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>

namespace {

// What the cursors of a WatchingDriver were asked and gave.
struct Watch {
    std::vector<std::size_t> asked, given;
    std::size_t produced = 0;   // rows handed out by the driver so far
};

class WatchingCursor : public access::DriverCursor {
public:
    WatchingCursor(std::unique_ptr<access::DriverCursor> c, Watch &w) : m_inner(std::move(c)), m_watch(w) {}
    const std::vector<std::string> &columns() const override { return m_inner->columns(); }
    bool fetch(std::size_t maxRows, std::vector<std::vector<access::OraValue>> &rows) override
    {
        const std::size_t before = rows.size();
        const bool more = m_inner->fetch(maxRows, rows);
        m_watch.asked.push_back(maxRows);
        m_watch.given.push_back(rows.size() - before);
        m_watch.produced += rows.size() - before;
        return more;
    }

private:
    std::unique_ptr<access::DriverCursor> m_inner;
    Watch &m_watch;
};

class WatchingConnection : public access::DriverConnection {
public:
    WatchingConnection(std::unique_ptr<access::DriverConnection> c, Watch &w) : m_inner(std::move(c)), m_watch(w) {}
    access::OraResult query(const std::string &sql) override { return m_inner->query(sql); }
    std::unique_ptr<access::DriverCursor> openCursor(const std::string &sql) override
    {
        return std::make_unique<WatchingCursor>(m_inner->openCursor(sql), m_watch);
    }
    long execute(const std::string &sql) override { return m_inner->execute(sql); }
    void executePlsql(const std::string &b, std::vector<access::OraBind> &binds) override
    {
        m_inner->executePlsql(b, binds);
    }
    bool connectionOK() override { return m_inner->connectionOK(); }
    void close() override { m_inner->close(); }

private:
    std::unique_ptr<access::DriverConnection> m_inner;
    Watch &m_watch;
};

// The simulated instance reached as a "real" server, through watched cursors.
class WatchingDriver : public access::Driver {
public:
    explicit WatchingDriver(Watch &w) : m_watch(w) {}
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override
    {
        return std::make_unique<WatchingConnection>(m_sim.open(service, user, password), m_watch);
    }

private:
    access::SimDriver m_sim;
    Watch &m_watch;
};

std::size_t heapInUse()
{
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::testing::resetInstance("TEST");
        session.setClientDriver(std::make_unique<WatchingDriver>(watch));
        db = session.DbOpenDatabase("TEST", "SYSTEM/MANAGER", 0);
        // 1,000 rows, crossed with themselves below for a million.
        db->DbExecuteSQL("create table k (n number)");
        db->DbExecuteSQL("insert into k values (0)");
        for (int i = 0; i < 10; ++i) db->DbExecuteSQL("insert into k select n + (select count(*) from k) from k");
        db->DbExecuteSQL("delete from k where n >= 1000");
    }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetAllInstances();
    }
    Watch watch;
    access::OraSession session;
    std::unique_ptr<access::OraDatabase> db;
};

struct Reader : access::RowReceiver {
    Watch *watch = nullptr;
    std::vector<std::string> names;
    long rows = 0, stopAfter = -1;
    std::size_t producedAtFirst = 0, base = 0, peak = 0;
    long long sum = 0;
    void columns(const std::vector<std::string> &n) override
    {
        names = n;
        base = heapInUse();
    }
    bool row(const std::vector<access::OraValue> &values) override
    {
        if (rows == 0) producedAtFirst = watch->produced;
        ++rows;
        sum += static_cast<long long>(values[0].toDouble());
        if (rows % 4096 == 0) peak = std::max(peak, heapInUse() - std::min(base, heapInUse()));
        return rows != stopAfter;
    }
};

TEST_F(StreamTest, MillionRowsArriveInArraysWithBoundedMemory)
{
    Reader r;
    r.watch = &watch;
    db->DbStreamQuery("select a.n * 1000 + b.n v, a.n from k a, k b", r);
    EXPECT_EQ(r.names, (std::vector<std::string>{"V", "N"}));
    ASSERT_EQ(r.rows, 1000000);
    EXPECT_EQ(r.sum, 999999LL * 1000000 / 2);     // every row once
    // The first row was handed over when the driver had produced one array, not the result.
    EXPECT_EQ(r.producedAtFirst, access::kFetchArray);
    EXPECT_EQ(watch.produced, 1000000u);
    ASSERT_GE(watch.asked.size(), 1000000 / access::kFetchArray);
    for (std::size_t i = 0; i < watch.asked.size(); ++i) {
        EXPECT_EQ(watch.asked[i], access::kFetchArray);
        if (i + 1 < watch.asked.size()) ASSERT_EQ(watch.given[i], access::kFetchArray) << "fetch " << i;
    }
    // A million rows of two values kept would take well over 100 MB.
    EXPECT_LT(r.peak, 4u << 20);
}

TEST_F(StreamTest, ReceiverStopsTheFetchAndErrorsCarryTheServerNumber)
{
    Reader r;
    r.watch = &watch;
    r.stopAfter = 10;
    db->DbStreamQuery("select a.n from k a, k b", r);
    EXPECT_EQ(r.rows, 10);
    EXPECT_EQ(watch.asked.size(), 1u);             // nothing read past the first array

    // The same connection runs on afterwards.
    Reader all;
    all.watch = &watch;
    db->DbStreamQuery("select n from k where n < 3 order by n", all);
    EXPECT_EQ(all.rows, 3);
    EXPECT_EQ(all.sum, 3);

    Reader none;
    none.watch = &watch;
    try {
        db->DbStreamQuery("select * from no_such_table", none);
        FAIL() << "no error";
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 942);
    }
    EXPECT_EQ(db->LastServerErr(), 942);
    EXPECT_EQ(none.rows, 0);
    EXPECT_THROW(db->DbStreamQuery("delete from k", none), access::OraError);
    EXPECT_EQ(db->DbCreateDynaset("select count(*) c from k", 4)->Fields("C").toString(), "1000");
}

} // namespace
