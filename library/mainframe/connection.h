// One session connection to a mainframe: the socket, the request/reply
// exchange with its waits and checks, the result code and error text that
// ZEVAHV_GetError reports, and what the session learnt (session number,
// system description, subscribed items).
//
// Requests run one at a time: the frame orders every call on a system with
// the system's connection gate, and everything here that a request touches
// is used under it.  The event reader runs on the client's event thread
// without that gate; what it reads (the description and the subscribed
// items) has a lock of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mainframe/commands.h"
#include "mainframe/description.h"
#include "mainframe/item_registry.h"
#include "mainframe/wire.h"

namespace zevahv::mainframe {

struct Generation;

constexpr int kConnectTimeoutMs = 5000;
constexpr int kReplyTimeoutMs = 20000;
constexpr unsigned short kMainframePort = 2527;
// A reply announcing more than this is refused rather than allocated.
constexpr std::uint32_t kMaxReplySize = 16u * 1024u * 1024u;
constexpr std::size_t kErrorTextSize = 256;

// The texts of the connection layer.
inline constexpr char kTextOk[] = "ok";
inline constexpr char kTextTimeout[] = "Timeout from server";
inline constexpr char kTextDown[] = "CFE server down";
inline constexpr char kTextNoMemory[] = "User Memory not sufficient for communication";
inline constexpr char kTextMismatch[] = "Reply does not answer the request";

struct Reply {
    std::vector<unsigned char> payload;
    ReplyHeader header;
    Bytes data() const {
        return Bytes(payload).subspan(std::min(header.data_offset, payload.size()));
    }
};

class Connection {
public:
    // --- Life of the session (under the frame's global gate) -------------
    // Opens the TCP connection: 0, 1 (socket failed) or 4 (no connection
    // within kConnectTimeoutMs); the text is set either way.
    int connect(const std::string &host, unsigned short port);
    void disconnect();
    bool connected() const { return sock_ >= 0; }

    const Generation *generation = nullptr;
    int index = -1;
    std::string name;  // the system's lock name, as the wire trace shows it
    std::uint32_t session = 0;

    // --- Requests (under the connection gate) -----------------------------
    // The command of this connection's generation; null if it has none.
    const Command *command(std::string_view name) const;
    // A request of the command, with the session number when the command
    // runs in a session.
    Request request(const Command &cmd, bool has_args) const;

    // Sends the request and reads the reply; with check, applies the reply's
    // status (result code and text) and returns it: 0 leaves the reply in
    // *out.  Without check the reply is only read (the stream stays in step).
    int transact(const Command &cmd, Request &req, Reply *out, bool check = true);
    // Looks the command up, sends it with no arguments, checks the reply.
    int simple(std::string_view name, Reply *out);

    // Sets the result code and the text and returns the code.
    int fail(int code, const char *text);
    // "Operating System Error: %d" with the socket layer's last error.
    int fail_os(int code);
    // A lookup of the library that went well: result 0, text unchanged.
    void lookup_ok() { result_ = 0; }
    int16_t result() const { return result_; }
    const char *error_text() const { return error_; }

    // --- Read by the event thread too --------------------------------------
    DescriptionRef description() const;
    void set_description(DescriptionRef d);
    ItemRegistry items;

private:
    int send_request(const std::vector<unsigned char> &bytes);
    int read_reply(std::vector<unsigned char> *payload);
    // Fills inbuf_ until it holds n bytes, waiting before each read.
    int fill(std::size_t n);
    void discard_unread();
    void trace_reply(const std::vector<unsigned char> &payload, int result) const;

    int sock_ = -1;
    std::vector<unsigned char> inbuf_;  // received bytes [inpos_, inlen_) not yet taken
    std::size_t inpos_ = 0, inlen_ = 0;
    bool out_of_step_ = false;  // a reply was not read whole: drain first
    bool down_ = false;         // the mainframe closed the connection
    std::int16_t result_ = 0;
    char error_[kErrorTextSize] = {};

    mutable std::mutex description_mutex_;
    DescriptionRef description_;
};

}  // namespace zevahv::mainframe
