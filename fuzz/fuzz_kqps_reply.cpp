// The line language of the one-output supplies: replies to reads ("#X:v",
// matched on the mnemonic up to its first ':'), acknowledgements ("#AK"),
// and the command lines built from a mnemonic.  The input is a mnemonic, a
// NUL, then the reply.
#include <string>

#include "fuzz_check.h"
#include "modules/protocol.h"

using namespace zevahv::modules;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view all = as_text(data, size);
    const std::size_t nul = all.find('\0');
    const std::string_view mnemonic = all.substr(0, nul == std::string_view::npos ? 0 : nul);
    const std::string_view reply = nul == std::string_view::npos ? all : all.substr(nul + 1);

    std::string value = "unchanged";
    const int e = protocol::parse_kqps_reply(mnemonic, reply, &value);
    FUZZ_CHECK(e == 0 || e == -1);
    if (e == 0) {
        FUZZ_CHECK(!reply.empty() && reply.back() == '\n');
        FUZZ_CHECK(value.size() < reply.size());
        FUZZ_CHECK(reply.find(value) != std::string_view::npos);
        // The link hands over one line: up to its first line feed.
        if (reply.find('\n') + 1 == reply.size())
            FUZZ_CHECK(value.find('\n') == std::string::npos);
        float f = 0;
        long n = 0;
        (void)protocol::parse_float(value, &f);
        (void)protocol::parse_int(value, &n);
    } else {
        FUZZ_CHECK(value == "unchanged");
    }
    const int ack = protocol::check_kqps_ack(reply);
    FUZZ_CHECK(ack == 0 || ack == -1);

    // Commands built from whatever mnemonic: never longer than a line, and
    // always ending with the line end.
    std::string cmd;
    for (int kind = 0; kind < 3; ++kind) {
        cmd.clear();
        const std::string v(reply.substr(0, 64));
        const bool ok = kind == 0   ? protocol::build_kqps_read(mnemonic, &cmd)
                        : kind == 1 ? protocol::build_kqps_write(mnemonic, v.c_str(), &cmd)
                                    : protocol::build_kqps_exec(mnemonic, &cmd);
        if (ok) {
            FUZZ_CHECK(cmd.size() < protocol::kLineSize);
            FUZZ_CHECK(cmd.size() >= 2 && cmd.substr(cmd.size() - 2) == "\r\n");
        }
    }
    return 0;
}
