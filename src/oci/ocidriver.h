#pragma once
// The driver over the Oracle Call Interface of one loaded client library: runs in the
// client process (sqlvigil-oci), one environment for the process, one server and
// session per connection.
#include "driver.h"
#include "ocilib.h"

#include <memory>

namespace oci {

class OciDriver : public access::Driver {
public:
    // Creates the process's environment (AL32UTF8); throws OraError when it cannot.
    explicit OciDriver(const OciLibrary &lib);
    ~OciDriver() override;
    // `service`: a TNS alias, host[:port]/service or a (DESCRIPTION=...). A user
    // "NAME AS SYSDBA" (or SYSOPER) logs on with that privilege; no user and no
    // password logs on with external credentials.
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override;

private:
    const OciCalls &m_oci;
    OCIEnv *m_env = nullptr;
};

} // namespace oci
