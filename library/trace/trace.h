// The wire trace: with ZEVAHV_TRACE set in the environment (to a file path,
// or "stderr") the library writes one line for every exchange with a device
// or a client, on every family: when, which system, what kind of exchange,
// which way, the bytes, and the result code of that step.
//
//   2024-05-02 14:03:11.482913 tcp:127.0.0.1:47001 link -> 30 "$BD:00,CMD:MON,CH:0,PAR:VSET\r\n" = 0
//   2024-05-02 14:03:11.483101 tcp:127.0.0.1:47001 link <- 29 "#BD:00,CMD:OK,VAL:1200.000V\r\n" = 0
//   2024-05-02 14:03:12.001774 ZEVA_W40XX_HVL_001 comm Read16 0x00000080 -> 0x04b0 = 0
//   2024-05-02 14:03:12.500310 127.0.0.1:47001_0 event -> 1070 hex 5a455641 48560000 042e... = 0
//
// Texts are shown as text with C escapes, binary messages as hex in groups
// of four bytes; at most kShownBytes of one message are shown, then how many
// more there were.  The variable is read once, when the library is loaded.
// A path that cannot be opened is reported once on stderr and tracing stays
// off; nothing else changes.
//
// Off, a trace point costs one load and a branch that is predicted not
// taken: the functions below test on() inline and format nothing, take no
// lock and make no call.  On, each line is formatted in full, then written
// with one write under a mutex, so lines of different threads never mix
// (and an O_APPEND file keeps lines of several processes whole too).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zevahv::trace {

// At most this many bytes of one message are shown.
inline constexpr std::size_t kShownBytes = 4096;
// The variable that turns the trace on.
inline constexpr const char *kVariable = "ZEVAHV_TRACE";

enum class Dir { Out, In };  // "->" from the library, "<-" to it

namespace detail {
extern std::atomic<bool> enabled;
void bytes_line(std::string_view system, std::string_view kind, Dir dir, bool text,
                std::span<const unsigned char> bytes, int result);
void comm_line(std::string_view system, std::string_view call, std::span<const std::uint32_t> in,
               std::span<const std::uint32_t> out, int result);
}  // namespace detail

inline bool on() { return __builtin_expect(detail::enabled.load(std::memory_order_relaxed), 0); }

// A text message (a module's command or reply line, an identification).
inline void text(std::string_view system, std::string_view kind, Dir dir, std::string_view bytes,
                 int result) {
    if (on())
        detail::bytes_line(system, kind, dir, true,
                           {reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size()},
                           result);
}

// A binary message (a mainframe request or reply, an event frame).
inline void binary(std::string_view system, std::string_view kind, Dir dir, const void *bytes,
                   std::size_t len, int result) {
    if (on())
        detail::bytes_line(system, kind, dir, false,
                           {static_cast<const unsigned char *>(bytes), len}, result);
}

// A call of the communication library: its name, the registers (or other
// numbers) it was given, what it handed back, and its result.
inline void comm(std::string_view system, std::string_view call,
                 std::span<const std::uint32_t> in, std::span<const std::uint32_t> out,
                 int result) {
    if (on()) detail::comm_line(system, call, in, out, result);
}

// Turns the trace on for a path or "stderr" (null or empty: off).  Done
// once at load from the environment; tests call it directly.  False when the
// path cannot be opened (the trace is then off).
bool configure(const char *where);

}  // namespace zevahv::trace
