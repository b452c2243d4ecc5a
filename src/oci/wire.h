#pragma once
// The local protocol between the console and a client process (and between the
// conformance client library and a host of simulated instances): length-prefixed
// frames over a stream socket, each starting with an operation byte.
#include "driver.h"
#include "oraerror.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oci::wire {

enum Op : std::uint8_t {
    // requests on a connection's socket
    Open = 1,        // service, user, password -> Ok | Error
    Query = 2,       // sql -> Columns, Rows... (the last one flagged) | Error
    Cursor = 3,      // sql, first batch -> Columns (with cursor id), Rows | Error
    Fetch = 4,       // cursor id, rows -> Rows | Error
    CloseCursor = 5, // cursor id (no answer)
    Execute = 6,     // sql -> Count | Error
    Plsql = 7,       // block, binds -> Binds | Error
    Ping = 8,        // -> Flag
    Close = 9,       // -> Ok
    // on a process's control socket / a listener's fresh socket
    Attach = 20,     // -> Count (the connection's id)
    Break = 21,      // connection id
    NewConn = 22,    // connection id, the connection's socket passed along
    Ready = 23,      // the client process loaded its library
    // answers
    Ok = 100,
    Error = 101,
    Columns = 102,
    Rows = 103,
    Count = 104,
    Binds = 105,
    Flag = 106,
};

class Writer {
public:
    explicit Writer(Op op) { m_buf.push_back(static_cast<char>(op)); }
    Writer &u8(std::uint8_t v);
    Writer &u32(std::uint32_t v);
    Writer &i64(std::int64_t v);
    Writer &f64(double v);
    Writer &str(const std::string &s);
    Writer &value(const access::OraValue &v);
    const std::string &data() const { return m_buf; }

private:
    std::string m_buf;
};

// Reads a received frame; a short or malformed frame throws ProtocolError.
struct ProtocolError {};

class Reader {
public:
    explicit Reader(const std::string &frame) : m_buf(frame) {}
    Op op();
    std::uint8_t u8();
    std::uint32_t u32();
    std::int64_t i64();
    double f64();
    std::string str();
    access::OraValue value();

private:
    void need(std::size_t n) const;
    const std::string &m_buf;
    std::size_t m_pos = 0;
};

// Whole frames: false when the peer is gone (or the frame is unreasonably large).
bool sendFrame(int fd, const std::string &payload);
bool recvFrame(int fd, std::string &payload);
// A frame with a file descriptor passed along (SCM_RIGHTS).
bool sendFrameWithFd(int fd, const std::string &payload, int passed);
bool recvFrameWithFd(int fd, std::string &payload, int &passed);

std::string errorFrame(const access::OraError &e);
[[noreturn]] void throwError(Reader &r);   // after op() answered Error

} // namespace oci::wire
