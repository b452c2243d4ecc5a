#pragma once
// The console's driver for real servers: each connection is served by a client
// process (sqlvigil-oci) that has loaded the Oracle client library chosen for the
// server. One process per library, started on first need and again after it died;
// all of them end with the driver.
#include "driver.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace oci {

class ClientProcess;

// The client library directory chosen for a service ("" when none is chosen).
using ClientDirectoryResolver = std::function<std::string(const std::string &service)>;

// The process-wide choice of client per server (the console installs one that reads
// the repository); without it every server uses the default client.
void setClientDirectoryResolver(ClientDirectoryResolver resolver);
std::string chosenClientDirectory(const std::string &service);

// The first directory holding a client library among $ORACLE_HOME/lib, the
// directories of LD_LIBRARY_PATH, /usr/lib/oracle/*/client64/lib and
// /opt/oracle/instantclient*; "" when none. `searched` gets the places looked at.
std::string defaultClientDirectory(std::string *searched = nullptr);

class ClientDriver : public access::Driver {
public:
    // `directory`: always use this client (tests, the simulated instances reached
    // through a client); empty: the server's choice, then the default client.
    explicit ClientDriver(std::string directory = {}, std::vector<std::string> extraEnvironment = {});
    ~ClientDriver() override;
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override;
    // The processes running now (their ids), for tests and the About box.
    std::vector<int> processIds() const;

private:
    std::shared_ptr<ClientProcess> processFor(const std::string &libraryFile);
    std::string m_directory;
    std::vector<std::string> m_env;
    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<ClientProcess>> m_processes;
};

// Where sqlvigil-oci is: $SQLVIGIL_OCI_PROGRAM, next to this program, or on PATH.
std::string clientProgram();

} // namespace oci
