#pragma once
// Raw clients of the mainframe simulator for tests that check bytes: the
// request connection (length-prefixed requests and replies, the login's
// session number), the client's event port (frames the crate pushes) and a
// UDP socket for legacy messages. Written from the wire layout, not from the
// simulator's code, and every read is bounded in time.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

std::string be16(uint16_t v);
std::string be32(uint32_t v);
// count ':' numbers, as channel and slot lists travel.
std::string number_list(const std::vector<uint16_t>& list);

struct MfReply {
    bool received = false; // false: nothing (or not all of it) within the time
    std::string payload;
    uint16_t status = 0xFFFF;
    std::string text;
    std::string data;
};

class MfClient {
public:
    static std::optional<MfClient> connect(const std::string& host, int port);
    MfClient(MfClient&& o) noexcept;
    MfClient& operator=(MfClient&&) = delete;
    ~MfClient();

    bool send_raw(const std::string& bytes);
    // Sends NAME[:session][:args] framed, reads one reply.
    MfReply request(const std::string& name, const std::string& args = "", bool with_session = true,
                    int timeout_ms = 5000);
    // Reads one framed reply (the name tells where the status is).
    MfReply read_reply(const std::string& name, bool with_session, int timeout_ms);
    // Logs in; the reply (its data hold the session number, kept).
    MfReply login(const std::string& user, const std::string& password,
                  const std::string& command = "LOGINSYSTEM");
    // Bytes that arrive within the time (at most `max`).
    std::string read_some(size_t max, int timeout_ms);
    bool closed_within(int timeout_ms);
    uint32_t session = 0;

private:
    explicit MfClient(int fd) : fd_(fd) {}
    bool read_exact(std::string& out, size_t n, int timeout_ms);
    int fd_ = -1;
};

// An event port on 127.0.0.1 and the frames that arrive on it.
struct MfItem {
    uint32_t id;
    uint16_t form;
    std::string value;
    uint32_t number() const; // the first four value bytes, big-endian
};
struct MfFrame {
    std::string header;
    uint32_t count = 0, total = 0;
    std::vector<uint8_t> states; // boards 0..15, then the system
    std::vector<MfItem> items;
    const MfItem* find(uint32_t id) const;
};

class MfEventPort {
public:
    MfEventPort();
    ~MfEventPort();
    int port() const { return port_; }
    // Accepts the crate's connection; its peer address in `peer`.
    bool accept(int timeout_ms, std::string* peer = nullptr);
    // One whole frame (header and body); nothing on time-out or a closed stream.
    std::optional<MfFrame> frame(int timeout_ms);
    std::string read_some(size_t max, int timeout_ms);
    bool closed_within(int timeout_ms);

private:
    bool read_exact(std::string& out, size_t n, int timeout_ms);
    int listen_fd_ = -1, fd_ = -1, port_ = 0;
};

// A UDP socket on 127.0.0.1 connected to the crate's address and port.
class MfDatagrams {
public:
    MfDatagrams(const std::string& host, int port);
    ~MfDatagrams();
    int port() const { return port_; }
    std::optional<std::string> next(int timeout_ms);

private:
    int fd_ = -1, port_ = 0;
};
