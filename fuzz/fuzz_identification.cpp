// What a module says about itself at open: the reply to BDFREL (firmware
// "major.minor") and BDNCH (channel count) in the addressed grammar, and the
// one-output supplies' VER reply ("#VER:a.b.c").  Every number must land in
// the byte the crate map carries, whatever the module sends.
#include <string>

#include "fuzz_check.h"
#include "modules/protocol.h"

using namespace zevahv::modules;

namespace {

void check_release(std::string_view text) {
    for (int points = 0; points <= 2; ++points) {
        protocol::Release r;
        r.major = r.minor = r.patch = -7;
        if (protocol::parse_release(text, points, &r)) {
            FUZZ_CHECK(r.major >= 0 && r.major <= 255);
            FUZZ_CHECK(r.minor >= 0 && r.minor <= 255);
            FUZZ_CHECK(r.patch >= 0 && r.patch <= 255);
            // Fewer points than asked for is never accepted.
            std::size_t dots = 0;
            for (char c : text) dots += c == '.';
            FUZZ_CHECK(dots >= static_cast<std::size_t>(points));
        } else {
            FUZZ_CHECK(r.major == -7 && r.minor == -7 && r.patch == -7);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const int board = in.take() % 100;
    const std::string_view reply = in.rest();

    check_release(reply);
    std::string value;
    if (dialects::kAddressed.parse_value(board, "BDFREL", reply, &value) == 0) {
        check_release(value);
        long n = 0;
        (void)zevahv::parse_int(value, &n);
    }
    value.clear();
    if (dialects::kUnaddressed.parse_value(board, "BDFREL", reply, &value) == 0)
        check_release(value);
    value.clear();
    if (dialects::kKqps.parse_value(board, "VER", reply, &value) == 0) check_release(value);
    return 0;
}
