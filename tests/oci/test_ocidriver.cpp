// The client-library path end to end: the console's driver starts sqlvigil-oci, which
// loads the conformance client library and serves the simulated instances through
// the real OCI driver.
#include "clientdriver.h"
#include "oraerror.h"
#include "orasession.h"

#include <gtest/gtest.h>

namespace {

using access::OraError;

const std::string kStandin = OCI_STANDIN_DIR;

TEST(ClientLibrary, BasicQuery)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    auto r = conn->query("select 1 one, 'x' two from dual");
    ASSERT_EQ(r.columns.size(), 2u);
    EXPECT_EQ(r.columns[0], "ONE");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0][0].toString(), "1");
    EXPECT_EQ(r.rows[0][1].toString(), "x");
    conn->close();
}

} // namespace
