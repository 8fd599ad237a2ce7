#include "mainframe/reply_faults.h"

#include <sstream>
#include <vector>

#include "mainframe/framing.h"
#include "model/value_text.h"

namespace sim::mf {

namespace {

constexpr uint32_t kMaxDelayMs = 600000;

struct ModeName {
    ReplyFaultMode mode;
    const char* name;
    bool has_arg;
};

constexpr ModeName kModes[] = {
    {ReplyFaultMode::None, "none", false},
    {ReplyFaultMode::Silent, "silent", false},
    {ReplyFaultMode::Delay, "delay", true},
    {ReplyFaultMode::CloseMidReply, "close-midreply", false},
    {ReplyFaultMode::Drop, "drop", false},
    {ReplyFaultMode::WrongName, "wrong-name", false},
    {ReplyFaultMode::Length, "length", true},
    {ReplyFaultMode::Garbage, "garbage", false},
    {ReplyFaultMode::CutData, "cut-data", true},
    {ReplyFaultMode::Refuse, "refuse", true},
};

std::string noise(unsigned seed) {
    unsigned x = seed * 2654435761u + 12345u;
    std::string g;
    for (int i = 0; i < 24; ++i) {
        x = x * 1103515245u + 12345u;
        g.push_back(static_cast<char>((x >> 16) & 0xFF));
    }
    return g;
}

} // namespace

const char* reply_fault_name(ReplyFaultMode m) {
    for (const auto& x : kModes)
        if (x.mode == m) return x.name;
    return "none";
}

std::optional<ReplyFault> parse_reply_fault(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    ReplyFault f;
    if (words.size() >= 2 && words[words.size() - 2] == "for") {
        f.only = words.back();
        if (!find_command(f.only)) return std::nullopt;
        words.resize(words.size() - 2);
    }
    if (words.empty()) return std::nullopt;
    const ModeName* mode = nullptr;
    for (const auto& x : kModes)
        if (words[0] == x.name) mode = &x;
    if (!mode) return std::nullopt;
    f.mode = mode->mode;
    if (f.mode == ReplyFaultMode::WrongName) {
        if (words.size() > 2) return std::nullopt;
        f.text = words.size() == 2 ? words[1] : "GETSWREL";
        return f;
    }
    if (!mode->has_arg) {
        if (words.size() != 1) return std::nullopt;
        return f;
    }
    if (words.size() < 2) return std::nullopt;
    auto n = parse_whole(words[1]);
    if (!n || *n < 0 || *n > 0xFFFFFFFFL) return std::nullopt;
    f.arg = static_cast<uint32_t>(*n);
    if (f.mode == ReplyFaultMode::Delay && f.arg > kMaxDelayMs) return std::nullopt;
    if (f.mode == ReplyFaultMode::Refuse) {
        if (*n > 0x7FFF) return std::nullopt;
        f.code = static_cast<uint16_t>(*n);
        for (size_t i = 2; i < words.size(); ++i) f.text += (i > 2 ? " " : "") + words[i];
        if (f.text.empty()) f.text = "Refused";
        return f;
    }
    if (words.size() != 2) return std::nullopt;
    return f;
}

Outgoing deliver(const ReplyFault& f, const Request& req, Reply reply, unsigned seed) {
    Outgoing out;
    switch (f.mode) {
    case ReplyFaultMode::None: break;
    case ReplyFaultMode::Silent: return out;
    case ReplyFaultMode::Drop: out.close_after = true; return out;
    case ReplyFaultMode::Delay: out.delay_ms = static_cast<int>(f.arg); break;
    case ReplyFaultMode::Refuse:
        reply.status = f.code;
        reply.text = f.text;
        break;
    case ReplyFaultMode::CutData:
        if (reply.data.size() > f.arg) reply.data.resize(f.arg);
        break;
    case ReplyFaultMode::Garbage: out.bytes = frame(noise(seed)); return out;
    case ReplyFaultMode::WrongName:
        out.bytes = frame(reply_payload_named(f.text, req, reply));
        return out;
    case ReplyFaultMode::Length: {
        std::string payload = reply_payload(req, reply);
        out.bytes = length_prefix(f.arg) + payload;
        return out;
    }
    case ReplyFaultMode::CloseMidReply: {
        std::string all = frame(reply_payload(req, reply));
        out.bytes = all.substr(0, all.size() / 2);
        out.close_after = true;
        return out;
    }
    }
    out.bytes = frame(reply_payload(req, reply));
    return out;
}

} // namespace sim::mf
