#include "simhost.h"

#include "oraerror.h"
#include "remote.h"
#include "simdriver.h"
#include "wire.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace oci {

using access::DriverConnection;
using access::OraError;

namespace {

std::mutex g_mutex;
std::string g_path, g_dir;
std::map<std::uint32_t, DriverConnection *> g_open;
std::uint32_t g_nextId = 0;

void removeSocket()
{
    if (!g_path.empty()) ::unlink(g_path.c_str());
    if (!g_dir.empty()) ::rmdir(g_dir.c_str());
}

void serveOne(int fd)
{
    std::string frame;
    if (!wire::recvFrame(fd, frame)) {
        ::close(fd);
        return;
    }
    try {
        wire::Reader r(frame);
        wire::Op op = r.op();
        if (op == wire::Break) {
            std::uint32_t id = r.u32();
            std::lock_guard<std::mutex> lock(g_mutex);
            auto it = g_open.find(id);
            if (it != g_open.end()) it->second->breakCall();
            ::close(fd);
            return;
        }
        if (op != wire::Attach) {
            ::close(fd);
            return;
        }
    } catch (const wire::ProtocolError &) {
        ::close(fd);
        return;
    }
    std::uint32_t id;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        id = ++g_nextId;
    }
    if (!wire::sendFrame(fd, wire::Writer(wire::Count).i64(id).data())) {
        ::close(fd);
        return;
    }
    access::SimDriver driver;
    serveConnection(
        fd, driver,
        [id](DriverConnection *c) {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_open[id] = c;
        },
        [id](DriverConnection *) {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_open.erase(id);
        });
}

int connectTo(const std::string &path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string startSimHost()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_path.empty()) return g_path;
    char tmpl[] = "/tmp/sqlvigil-simhost-XXXXXX";
    if (!::mkdtemp(tmpl)) throw OraError(0, std::string("Cannot create the simulated instances' socket: ") + std::strerror(errno), 429);
    std::string dir = tmpl;
    std::string path = dir + "/instances";
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        if (fd >= 0) ::close(fd);
        ::rmdir(dir.c_str());
        throw OraError(0, std::string("Cannot listen for the simulated instances: ") + std::strerror(errno), 429);
    }
    g_dir = dir;
    g_path = path;
    std::atexit(removeSocket);
    std::thread([fd] {
        for (;;) {
            int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return;
            }
            std::thread(serveOne, c).detach();
        }
    }).detach();
    return g_path;
}

int attachToHost(const std::string &path, std::uint32_t &id)
{
    int fd = connectTo(path);
    if (fd < 0) throw OraError::ora(12541, "TNS:no listener");
    std::string reply;
    if (!wire::sendFrame(fd, wire::Writer(wire::Attach).data()) || !wire::recvFrame(fd, reply)) {
        ::close(fd);
        throw OraError::ora(12537, "TNS:connection closed");
    }
    try {
        wire::Reader r(reply);
        if (r.op() != wire::Count) throw wire::ProtocolError{};
        id = static_cast<std::uint32_t>(r.i64());
    } catch (const wire::ProtocolError &) {
        ::close(fd);
        throw OraError::ora(12537, "TNS:connection closed");
    }
    return fd;
}

void breakOnHost(const std::string &path, std::uint32_t id)
{
    int fd = connectTo(path);
    if (fd < 0) return;
    wire::sendFrame(fd, wire::Writer(wire::Break).u32(id).data());
    ::close(fd);
}

} // namespace oci
