#include "trace/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace zevahv::trace {

namespace detail {
std::atomic<bool> enabled{false};
}  // namespace detail

namespace {

struct Sink {
    std::mutex mutex;  // one line at a time
    int fd = -1;
    bool own = false;  // a file we opened (stderr is not ours to close)
};

Sink &sink() {
    static Sink *s = new Sink;  // never freed: threads may trace at exit
    return *s;
}

void append_time(std::string &line) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    localtime_r(&ts.tv_sec, &parts);
    char buf[48];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &parts);
    std::snprintf(buf + n, sizeof buf - n, ".%06ld ", ts.tv_nsec / 1000);
    line += buf;
}

void append_escaped(std::string &line, std::span<const unsigned char> bytes) {
    line += '"';
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r': line += "\\r"; break;
        case '\n': line += "\\n"; break;
        case '\t': line += "\\t"; break;
        case '\0': line += "\\0"; break;
        case '\\': line += "\\\\"; break;
        case '"': line += "\\\""; break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                line += static_cast<char>(c);
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                line += hex;
            }
        }
    }
    line += '"';
}

void append_hex(std::string &line, std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    line += "hex";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 4 == 0) line += ' ';
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0xF];
    }
}

void append_numbers(std::string &line, std::span<const std::uint32_t> values, const char *form) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, form, values[i]);
        if (i > 0) line += ' ';
        line += buf;
    }
}

void append_result(std::string &line, int result) {
    line += " = ";
    line += std::to_string(result);
    line += '\n';
}

// Writes a whole line with one write (a short write is finished, but lines
// of other threads wait for it on the mutex).
void emit(const std::string &line) {
    Sink &s = sink();
    std::lock_guard<std::mutex> lk(s.mutex);
    if (s.fd < 0) return;
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(s.fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a full disk loses trace lines, nothing else
        done += static_cast<std::size_t>(n);
    }
}

void begin(std::string &line, std::string_view system, std::string_view kind) {
    line.reserve(128);
    append_time(line);
    line.append(system.empty() ? std::string_view("-") : system);
    line += ' ';
    line.append(kind);
    line += ' ';
}

// Read once at load.
[[maybe_unused]] const bool g_configured = configure(std::getenv(kVariable));

}  // namespace

namespace detail {

void bytes_line(std::string_view system, std::string_view kind, Dir dir, bool text,
                std::span<const unsigned char> bytes, int result) {
    try {
        std::string line;
        begin(line, system, kind);
        line += dir == Dir::Out ? "-> " : "<- ";
        line += std::to_string(bytes.size());
        line += ' ';
        const auto shown = bytes.first(std::min(bytes.size(), kShownBytes));
        if (text)
            append_escaped(line, shown);
        else
            append_hex(line, shown);
        if (shown.size() < bytes.size())
            line += " ...(" + std::to_string(bytes.size() - shown.size()) + " more)";
        append_result(line, result);
        emit(line);
    } catch (...) {
        // Out of memory: the line is lost, the exchange goes on.
    }
}

void comm_line(std::string_view system, std::string_view call, std::span<const std::uint32_t> in,
               std::span<const std::uint32_t> out, int result) {
    try {
        std::string line;
        begin(line, system, "comm");
        line.append(call);
        line += ' ';
        append_numbers(line, in, "0x%08x");
        if (!out.empty()) {
            line += " -> ";
            append_numbers(line, out, "0x%04x");
        }
        append_result(line, result);
        emit(line);
    } catch (...) {
    }
}

}  // namespace detail

bool configure(const char *where) {
    Sink &s = sink();
    std::lock_guard<std::mutex> lk(s.mutex);
    detail::enabled.store(false, std::memory_order_relaxed);
    if (s.own) ::close(s.fd);
    s.fd = -1;
    s.own = false;
    if (where == nullptr || *where == '\0') return true;
    if (std::strcmp(where, "stderr") == 0) {
        s.fd = STDERR_FILENO;
    } else {
        const int fd = ::open(where, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "ZEVAHVLink: %s=%s cannot be opened (%s); no trace is written\n",
                         kVariable, where, std::strerror(errno));
            return false;
        }
        s.fd = fd;
        s.own = true;
    }
    detail::enabled.store(true, std::memory_order_relaxed);
    return true;
}

}  // namespace zevahv::trace
