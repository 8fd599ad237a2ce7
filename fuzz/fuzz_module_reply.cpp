// Reply lines of the module command language, as a module, a broken cable
// or a confused converter may deliver them: the monitor and set checks of
// the addressed, unaddressed and self-describing forms, and the value
// conversions that run on an accepted monitor value.
#include <string>

#include "fuzz_check.h"
#include "modules/protocol.h"

using namespace zevahv::modules;

namespace {

bool known_error(int e) { return e == -1 || (e >= 0 && e <= 5); }

void check_value_conversions(std::string_view value) {
    float f = 0;
    long n = 0;
    (void)protocol::parse_float(value, &f);
    (void)protocol::parse_int(value, &n);
    for (std::size_t parts : {std::size_t{1}, std::size_t{4}, std::size_t{16}, std::size_t{32}}) {
        auto split = protocol::split_values(value, parts);
        FUZZ_CHECK(split.size() <= parts);
        for (auto p : split) {
            FUZZ_CHECK(inside(p, value));
            (void)protocol::parse_float(p, &f);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const std::uint8_t b = in.take();
    const int board = b % 100;
    const std::string_view reply = in.rest();

    for (CommandForm form : {CommandForm::Addressed, CommandForm::Unaddressed, CommandForm::Lumen}) {
        // The self-describing form may run without a board address.
        const int addr = form == CommandForm::Lumen && (b & 0x80) ? -1 : board;
        std::string value = "unchanged";
        const int e = protocol::parse_monitor_reply(form, addr, reply, &value);
        FUZZ_CHECK(known_error(e));
        if (e == 0) {
            // An accepted reply is a whole line, and its value is a piece of it
            // without the line end.
            FUZZ_CHECK(!reply.empty() && reply.back() == '\n');
            FUZZ_CHECK(reply.find("OK") != std::string_view::npos);
            FUZZ_CHECK(value.size() < reply.size());
            FUZZ_CHECK(reply.find(value) != std::string_view::npos);
            // The link hands over one line: up to its first line feed.
            if (reply.find('\n') + 1 == reply.size())
                FUZZ_CHECK(value.find('\n') == std::string::npos);
            if (form == CommandForm::Addressed) FUZZ_CHECK(reply.substr(0, 4) == "#BD:");
            check_value_conversions(value);
        } else {
            FUZZ_CHECK(value == "unchanged");
        }
        const int s = protocol::check_set_reply(form, addr, reply);
        FUZZ_CHECK(known_error(s));
        if (s == 0) FUZZ_CHECK(reply.find("OK") != std::string_view::npos);
    }
    const int c = protocol::classify_refusal(reply);
    FUZZ_CHECK(c == -1 || (c >= 1 && c <= 5));
    return 0;
}
