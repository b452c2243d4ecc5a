// sqlvigil-oci LIBRARY: serves the console's connections through one Oracle client
// library. The console passes a control socket as descriptor 3: on it arrive the
// sockets of new connections (one thread each) and the breaks of calls in progress.
// The process ends when the control socket closes: the console let it go, or ended
// in whatever way (its descriptors close with it).
#include "ocidriver.h"
#include "ocilib.h"
#include "oraerror.h"
#include "remote.h"
#include "wire.h"

#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kControl = 3;

std::mutex g_mutex;
std::map<std::uint32_t, access::DriverConnection *> g_open;

void fail(const std::string &message)
{
    oci::wire::sendFrame(kControl, oci::wire::errorFrame(access::OraError(0, message, 429)));
    std::fprintf(stderr, "sqlvigil-oci: %s\n", message.c_str());
    std::_Exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (argc != 2) {
        std::fprintf(stderr, "usage: sqlvigil-oci LIBRARY (started by the console, control socket on descriptor 3)\n");
        return 2;
    }
    std::string error;
    auto lib = oci::OciLibrary::load(argv[1], error);
    if (!lib) fail(error);
    std::unique_ptr<oci::OciDriver> driver;
    try {
        driver = std::make_unique<oci::OciDriver>(*lib);
    } catch (const access::OraError &e) {
        fail(e.what());
    }
    if (!oci::wire::sendFrame(kControl, oci::wire::Writer(oci::wire::Ready).str(lib->version()).data())) return 0;

    std::string frame;
    int passed = -1;
    while (oci::wire::recvFrameWithFd(kControl, frame, passed)) {
        try {
            oci::wire::Reader r(frame);
            oci::wire::Op op = r.op();
            std::uint32_t id = r.u32();
            if (op == oci::wire::NewConn && passed >= 0) {
                int fd = passed;
                passed = -1;
                std::thread([fd, id, d = driver.get()] {
                    oci::serveConnection(
                        fd, *d,
                        [id](access::DriverConnection *c) {
                            std::lock_guard<std::mutex> lock(g_mutex);
                            g_open[id] = c;
                        },
                        [id](access::DriverConnection *) {
                            std::lock_guard<std::mutex> lock(g_mutex);
                            g_open.erase(id);
                        });
                }).detach();
            } else if (op == oci::wire::Break) {
                std::lock_guard<std::mutex> lock(g_mutex);
                auto it = g_open.find(id);
                if (it != g_open.end()) it->second->breakCall();
            }
        } catch (const oci::wire::ProtocolError &) {
        }
        if (passed >= 0) ::close(passed);
        passed = -1;
    }
    // The console is gone: end at once, whatever calls are still out.
    std::_Exit(0);
}
