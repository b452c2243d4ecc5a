#include "clientdriver.h"

#include "ocilib.h"
#include "oraerror.h"
#include "remote.h"
#include "wire.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace oci {

using access::DriverConnection;
using access::OraError;

namespace {

constexpr int kStartSeconds = 20;

std::mutex g_resolverMutex;
ClientDirectoryResolver g_resolver;

bool isExecutable(const std::string &p)
{
    struct stat st {};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

std::string selfDirectory()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string self(buf, static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/'));
}

OraError clientError(const std::string &message) { return OraError(0, message, 429); }

} // namespace

// ---------------------------------------------------------------- one process

class ClientProcess : public std::enable_shared_from_this<ClientProcess> {
public:
    ClientProcess(std::string library, const std::vector<std::string> &extraEnv) : m_library(std::move(library))
    {
        start(extraEnv);
    }
    ~ClientProcess() { stop(); }

    bool alive()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pid <= 0 || m_control < 0) return false;
        int status = 0;
        pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_pid = -1;
            ::close(m_control);
            m_control = -1;
            return false;
        }
        return true;
    }

    int pid() const { return m_pid; }

    std::unique_ptr<DriverConnection> open(const std::string &service, const std::string &user,
                                           const std::string &password)
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw clientError(std::string("Cannot create a socket for the client process: ") + std::strerror(errno));
        const std::uint32_t id = ++m_nextId;
        bool sent;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            sent = m_control >= 0 &&
                   wire::sendFrameWithFd(m_control, wire::Writer(wire::NewConn).u32(id).data(), pair[1]);
        }
        ::close(pair[1]);
        if (!sent) {
            ::close(pair[0]);
            throw OraError::ora(3113, "end-of-file on communication channel");
        }
        std::weak_ptr<ClientProcess> self = weak_from_this();
        return openRemote(pair[0], [self, id] {
            if (auto p = self.lock()) p->sendBreak(id);
        }, service, user, password);
    }

    void sendBreak(std::uint32_t id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_control >= 0) wire::sendFrame(m_control, wire::Writer(wire::Break).u32(id).data());
    }

    void stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_control >= 0) ::close(m_control);
        m_control = -1;
        if (m_pid <= 0) return;
        // Closing the control socket ends the process; give it a moment, then insist.
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    void start(const std::vector<std::string> &extraEnv)
    {
        const std::string program = clientProgram();
        if (program.empty())
            throw clientError("The client process program sqlvigil-oci was not found next to this program or on PATH. Reinstall SQL*Vigil.");
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw clientError(std::string("Cannot create a socket for the client process: ") + std::strerror(errno));
        if (pair[1] == 3) {   // dup2 onto itself would leave it closed on exec
            int moved = ::fcntl(pair[1], F_DUPFD_CLOEXEC, 4);
            ::close(pair[1]);
            pair[1] = moved;
        }
        // The library's directory goes first on the library path: it finds its
        // companions (libnnz, libclntshcore) there.
        const std::string dir = m_library.substr(0, m_library.rfind('/'));
        std::vector<std::string> env;
        std::string ldPath = "LD_LIBRARY_PATH=" + dir;
        for (char **e = environ; *e; ++e) {
            std::string v = *e;
            if (v.rfind("LD_LIBRARY_PATH=", 0) == 0) {
                if (v.size() > 16) ldPath += ":" + v.substr(16);
                continue;
            }
            bool replaced = false;
            for (const auto &x : extraEnv)
                if (v.substr(0, v.find('=') + 1) == x.substr(0, x.find('=') + 1)) replaced = true;
            if (!replaced) env.push_back(v);
        }
        env.push_back(ldPath);
        for (const auto &x : extraEnv) env.push_back(x);
        std::vector<char *> envp;
        for (auto &v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string arg0 = "sqlvigil-oci", arg1 = m_library;
        char *argv[] = {arg0.data(), arg1.data(), nullptr};

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
        pid_t pid = -1;
        int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ::close(pair[1]);
        if (rc != 0) {
            ::close(pair[0]);
            throw clientError("The client process " + program + " could not be started: " + std::strerror(rc));
        }
        m_pid = pid;
        m_control = pair[0];
        // The first frame says whether the library loaded.
        struct pollfd p = {m_control, POLLIN, 0};
        int ready = ::poll(&p, 1, kStartSeconds * 1000);
        std::string frame;
        if (ready <= 0 || !wire::recvFrame(m_control, frame)) {
            stop();
            throw clientError("The client process for " + m_library +
                              " ended or did not answer while loading the library. Check that the Instant Client there is complete and for this machine.");
        }
        try {
            wire::Reader r(frame);
            wire::Op op = r.op();
            if (op == wire::Error) wire::throwError(r);
            if (op != wire::Ready) throw wire::ProtocolError{};
            m_version = r.str();
        } catch (const wire::ProtocolError &) {
            stop();
            throw clientError("The client process for " + m_library + " answered unexpectedly.");
        } catch (...) {
            stop();
            throw;
        }
    }

    std::string m_library, m_version;
    std::mutex m_mutex;
    pid_t m_pid = -1;
    int m_control = -1;
    std::atomic<std::uint32_t> m_nextId{0};
};

// ---------------------------------------------------------------- choosing the client

void setClientDirectoryResolver(ClientDirectoryResolver resolver)
{
    std::lock_guard<std::mutex> lock(g_resolverMutex);
    g_resolver = std::move(resolver);
}

std::string chosenClientDirectory(const std::string &service)
{
    ClientDirectoryResolver r;
    {
        std::lock_guard<std::mutex> lock(g_resolverMutex);
        r = g_resolver;
    }
    return r ? r(service) : std::string();
}

std::string defaultClientDirectory(std::string *searched)
{
    std::vector<std::string> candidates;
    std::string places;
    if (const char *home = std::getenv("ORACLE_HOME"); home && *home) candidates.push_back(std::string(home) + "/lib");
    places += "$ORACLE_HOME/lib";
    if (const char *ld = std::getenv("LD_LIBRARY_PATH"); ld && *ld) {
        std::string all = ld;
        std::size_t b = 0;
        while (b <= all.size()) {
            std::size_t e = all.find(':', b);
            if (e == std::string::npos) e = all.size();
            if (e > b) candidates.push_back(all.substr(b, e - b));
            b = e + 1;
        }
    }
    places += ", LD_LIBRARY_PATH";
    for (const char *pattern : {"/usr/lib/oracle/*/client64/lib", "/opt/oracle/instantclient*"}) {
        glob_t g{};
        if (::glob(pattern, 0, nullptr, &g) == 0)
            for (std::size_t i = g.gl_pathc; i > 0; --i) candidates.push_back(g.gl_pathv[i - 1]);   // newest first
        globfree(&g);
        places += std::string(", ") + pattern;
    }
    if (searched) *searched = places;
    for (const auto &c : candidates)
        if (!libraryIn(c).empty()) return c;
    return {};
}

std::string clientProgram()
{
    if (const char *p = std::getenv("SQLVIGIL_OCI_PROGRAM"); p && *p) return isExecutable(p) ? p : std::string();
    const std::string here = selfDirectory();
    for (const std::string &c : {here + "/sqlvigil-oci", here + "/../bin/sqlvigil-oci"})
        if (isExecutable(c)) return c;
    if (const char *path = std::getenv("PATH")) {
        std::string all = path;
        std::size_t b = 0;
        while (b <= all.size()) {
            std::size_t e = all.find(':', b);
            if (e == std::string::npos) e = all.size();
            std::string c = all.substr(b, e - b) + "/sqlvigil-oci";
            if (e > b && isExecutable(c)) return c;
            b = e + 1;
        }
    }
    return {};
}

// ---------------------------------------------------------------- driver

ClientDriver::ClientDriver(std::string directory, std::vector<std::string> extraEnvironment)
    : m_directory(std::move(directory)), m_env(std::move(extraEnvironment))
{
}

ClientDriver::~ClientDriver()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &[file, process] : m_processes) process->stop();
    m_processes.clear();
}

std::vector<int> ClientDriver::processIds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<int> ids;
    for (const auto &[file, process] : m_processes)
        if (process->alive()) ids.push_back(process->pid());
    return ids;
}

std::shared_ptr<ClientProcess> ClientDriver::processFor(const std::string &file)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_processes.find(file);
    if (it != m_processes.end() && it->second->alive()) return it->second;
    if (it != m_processes.end()) m_processes.erase(it);   // died: its connections report ORA-03113
    auto process = std::make_shared<ClientProcess>(file, m_env);
    m_processes[file] = process;
    return process;
}

std::unique_ptr<DriverConnection> ClientDriver::open(const std::string &service, const std::string &user,
                                                     const std::string &password)
{
    std::string dir = m_directory;
    if (dir.empty()) dir = chosenClientDirectory(service);
    std::string searched;
    if (dir.empty()) dir = defaultClientDirectory(&searched);
    if (dir.empty()) throw clientError(noClientMessage(searched));
    std::string file = libraryIn(dir);
    if (file.empty()) {
        struct stat st {};
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw clientError("The client library directory " + dir +
                              " does not exist. Choose the directory of an installed Oracle Instant Client for this server.");
        throw clientError(explainLoadFailure(dir + "/libclntsh.so", dir + "/libclntsh.so: No such file"));
    }
    // A process found dead is started again; a connect that finds it dying retries once.
    for (int attempt = 0;; ++attempt) {
        auto process = processFor(file);
        try {
            return process->open(service, user, password);
        } catch (const OraError &e) {
            if (attempt == 0 && e.serverCode() == 3113 && !process->alive()) continue;
            throw;
        }
    }
}

} // namespace oci
