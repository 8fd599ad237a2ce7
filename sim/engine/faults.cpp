#include "engine/faults.h"

#include <cstdio>
#include <cstdlib>

#include "model/value_text.h"

namespace sim {

namespace {

constexpr int kMaxLongLine = 1 << 20;
constexpr int kMaxDelayMs = 600000;

} // namespace

const char* fault_name(FaultMode m) {
    switch (m) {
    case FaultMode::None: return "none";
    case FaultMode::Silent: return "silent";
    case FaultMode::Delay: return "delay";
    case FaultMode::CloseMidline: return "close-midline";
    case FaultMode::LongLine: return "long-line";
    case FaultMode::NoEol: return "no-eol";
    case FaultMode::WrongBoard: return "wrong-board";
    case FaultMode::Garbage: return "garbage";
    }
    return "none";
}

std::optional<Fault> parse_fault(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::string_view word = text.substr(0, text.find(' '));
    std::string_view rest = word.size() < text.size() ? text.substr(word.size() + 1) : "";
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);

    static const FaultMode modes[] = {FaultMode::None,       FaultMode::Silent,
                                      FaultMode::Delay,      FaultMode::CloseMidline,
                                      FaultMode::LongLine,   FaultMode::NoEol,
                                      FaultMode::WrongBoard, FaultMode::Garbage};
    for (FaultMode m : modes) {
        if (word != fault_name(m)) continue;
        Fault f{m, 0};
        bool needs_arg = m == FaultMode::Delay || m == FaultMode::LongLine;
        if (!needs_arg) {
            if (!rest.empty()) return std::nullopt;
            return f;
        }
        auto n = parse_whole(rest);
        int limit = m == FaultMode::Delay ? kMaxDelayMs : kMaxLongLine;
        if (!n || *n < 0 || *n > limit) return std::nullopt;
        f.arg = static_cast<int>(*n);
        return f;
    }
    return std::nullopt;
}

Delivery apply_fault(const Fault& f, const std::string& reply, const Dialect& dialect,
                     unsigned seed) {
    Delivery d;
    d.bytes = reply;
    std::string body = reply.substr(0, reply.size() >= 2 ? reply.size() - 2 : 0);
    switch (f.mode) {
    case FaultMode::None: break;
    case FaultMode::Silent: d.bytes.clear(); break;
    case FaultMode::Delay: d.delay_ms = f.arg; break;
    case FaultMode::CloseMidline:
        d.bytes = reply.substr(0, std::max<size_t>(1, reply.size() / 2));
        d.close_after = true;
        break;
    case FaultMode::LongLine: {
        // The real reply, padded with 'X' to n bytes in all, line end included.
        size_t n = static_cast<size_t>(std::max(f.arg, 2));
        std::string line = body.substr(0, n - 2);
        line.append(n - 2 - line.size(), 'X');
        d.bytes = line + "\r\n";
        break;
    }
    case FaultMode::NoEol: d.bytes = body; break;
    case FaultMode::WrongBoard:
        d.bytes = dialect.misdirected(reply).value_or(reply);
        break;
    case FaultMode::Garbage: {
        // Line noise: bytes that hold no letter, so no keyword can appear.
        static const char noise[] = "#$%&*+-./0123456789<=>?@[]^_{|}~\x01\x02\x7f\x80\xfe\xff";
        unsigned x = seed * 2654435761u + 12345u;
        std::string g;
        for (int i = 0; i < 24; ++i) {
            x = x * 1103515245u + 12345u;
            g.push_back(noise[(x >> 16) % (sizeof noise - 1)]);
        }
        d.bytes = g + "\r\n";
        break;
    }
    }
    return d;
}

} // namespace sim
