#include "wire.h"

#include "oraerror.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace oci::wire {

using access::OraError;
using access::OraValue;

namespace {

constexpr std::uint32_t kMaxFrame = 1u << 30;

enum ValueKind : std::uint8_t { VNull = 0, VNumber = 1, VText = 2, VDate = 3 };

bool writeAll(int fd, const char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

bool readAll(int fd, char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t k = ::recv(fd, p, n, 0);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (k == 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

std::string header(std::size_t size)
{
    std::uint32_t n = static_cast<std::uint32_t>(size);
    return std::string(reinterpret_cast<const char *>(&n), sizeof n);
}

} // namespace

Writer &Writer::u8(std::uint8_t v)
{
    m_buf.push_back(static_cast<char>(v));
    return *this;
}

Writer &Writer::u32(std::uint32_t v)
{
    m_buf.append(reinterpret_cast<const char *>(&v), sizeof v);
    return *this;
}

Writer &Writer::i64(std::int64_t v)
{
    m_buf.append(reinterpret_cast<const char *>(&v), sizeof v);
    return *this;
}

Writer &Writer::f64(double v)
{
    m_buf.append(reinterpret_cast<const char *>(&v), sizeof v);
    return *this;
}

Writer &Writer::str(const std::string &s)
{
    u32(static_cast<std::uint32_t>(s.size()));
    m_buf.append(s);
    return *this;
}

Writer &Writer::value(const OraValue &v)
{
    switch (v.kind()) {
    case OraValue::Kind::Null: u8(VNull); break;
    case OraValue::Kind::Number: u8(VNumber).str(v.toString()).f64(v.toDouble()); break;
    case OraValue::Kind::Text: u8(VText).str(v.toString()); break;
    case OraValue::Kind::Date: u8(VDate).str(v.toString()).i64(v.dateSeconds()); break;
    }
    return *this;
}

void Reader::need(std::size_t n) const
{
    if (m_buf.size() - m_pos < n) throw ProtocolError{};
}

Op Reader::op() { return static_cast<Op>(u8()); }

std::uint8_t Reader::u8()
{
    need(1);
    return static_cast<std::uint8_t>(m_buf[m_pos++]);
}

std::uint32_t Reader::u32()
{
    need(4);
    std::uint32_t v;
    std::memcpy(&v, m_buf.data() + m_pos, 4);
    m_pos += 4;
    return v;
}

std::int64_t Reader::i64()
{
    need(8);
    std::int64_t v;
    std::memcpy(&v, m_buf.data() + m_pos, 8);
    m_pos += 8;
    return v;
}

double Reader::f64()
{
    need(8);
    double v;
    std::memcpy(&v, m_buf.data() + m_pos, 8);
    m_pos += 8;
    return v;
}

std::string Reader::str()
{
    std::uint32_t n = u32();
    need(n);
    std::string s = m_buf.substr(m_pos, n);
    m_pos += n;
    return s;
}

OraValue Reader::value()
{
    switch (u8()) {
    case VNull: return OraValue();
    case VNumber: {
        std::string t = str();
        return OraValue::numberText(std::move(t), f64());
    }
    case VText: return OraValue::text(str());
    case VDate: {
        std::string t = str();
        return OraValue::dateText(std::move(t), i64());
    }
    default: throw ProtocolError{};
    }
}

bool sendFrame(int fd, const std::string &payload)
{
    std::string h = header(payload.size());
    struct iovec iov[2] = {{h.data(), h.size()}, {const_cast<char *>(payload.data()), payload.size()}};
    struct msghdr msg {};
    msg.msg_iov = iov;
    msg.msg_iovlen = 2;
    std::size_t total = h.size() + payload.size();
    ssize_t k;
    do {
        k = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
    } while (k < 0 && errno == EINTR);
    if (k < 0) return false;
    if (static_cast<std::size_t>(k) == total) return true;
    // A partial write: finish with plain sends.
    std::string all = h + payload;
    return writeAll(fd, all.data() + k, total - static_cast<std::size_t>(k));
}

bool recvFrame(int fd, std::string &payload)
{
    std::uint32_t n = 0;
    if (!readAll(fd, reinterpret_cast<char *>(&n), sizeof n)) return false;
    if (n > kMaxFrame) return false;
    payload.resize(n);
    return readAll(fd, payload.data(), n);
}

bool sendFrameWithFd(int fd, const std::string &payload, int passed)
{
    std::string all = header(payload.size()) + payload;
    struct iovec iov = {all.data(), all.size()};
    alignas(struct cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    struct msghdr msg {};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    struct cmsghdr *c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &passed, sizeof(int));
    ssize_t k;
    do {
        k = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
    } while (k < 0 && errno == EINTR);
    if (k < 0) return false;
    return writeAll(fd, all.data() + k, all.size() - static_cast<std::size_t>(k));
}

bool recvFrameWithFd(int fd, std::string &payload, int &passed)
{
    passed = -1;
    std::uint32_t n = 0;
    struct iovec iov = {&n, sizeof n};
    alignas(struct cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    struct msghdr msg {};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t k;
    do {
        k = ::recvmsg(fd, &msg, MSG_CMSG_CLOEXEC);
    } while (k < 0 && errno == EINTR);
    if (k <= 0) return false;
    for (struct cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) std::memcpy(&passed, CMSG_DATA(c), sizeof(int));
    if (static_cast<std::size_t>(k) < sizeof n &&
        !readAll(fd, reinterpret_cast<char *>(&n) + k, sizeof n - static_cast<std::size_t>(k)))
        return false;
    if (n > kMaxFrame) return false;
    payload.resize(n);
    return readAll(fd, payload.data(), n);
}

std::string errorFrame(const OraError &e)
{
    return Writer(Error).u32(static_cast<std::uint32_t>(e.serverCode())).u32(static_cast<std::uint32_t>(e.number())).str(e.what()).data();
}

void throwError(Reader &r)
{
    int code = static_cast<int>(r.u32());
    int number = static_cast<int>(r.u32());
    std::string message = r.str();
    throw OraError(code, message, number);
}

} // namespace oci::wire
