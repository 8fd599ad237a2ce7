// The connection argument a caller passes to ZEVAHV_InitSystem for a module
// ("port_baud_data_stop_parity_board", "ip[:port]_board", ...): every family
// form, serial and TCP, with and without a board address.  The argument
// arrives as a C string, so it ends at the first NUL.
#include <string>

#include "fuzz_check.h"
#include "modules/args.h"
#include "modules/link.h"
#include "platform/tcp.h"

using namespace zevahv::modules;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const std::uint8_t sel = in.take();
    std::string_view arg = in.rest();
    arg = arg.substr(0, arg.find('\0'));

    static constexpr ArgForm kForms[] = {ArgForm::PortSettingsBoard, ArgForm::PortSettings,
                                         ArgForm::ComNumberSettings};
    const ArgForm form = kForms[sel % 3];
    const int default_board = (sel & 0x10) ? -1 : 0;
    const unsigned short default_port = (sel & 0x20) ? 23 : 1470;

    LinkArgs a;
    if (parse_serial_arg(arg, form, default_board, &a)) {
        FUZZ_CHECK(a.serial);
        FUZZ_CHECK(!a.port_name.empty());
        FUZZ_CHECK(a.com_number >= 0);
        const int baud = effective_baud(a.baud);
        FUZZ_CHECK(baud >= 110 && baud <= 256000);
        FUZZ_CHECK(!Link::key_of(a).empty());
    }
    LinkArgs t;
    if (parse_tcp_arg(arg, form, default_board, default_port, &t)) {
        FUZZ_CHECK(!t.serial);
        FUZZ_CHECK(!t.host.empty());
        FUZZ_CHECK(t.host.find(':') == std::string::npos);
        // Only a numeric address is taken: nothing that a lookup would need.
        FUZZ_CHECK(zevahv::platform::parse_ipv4(t.host));
        FUZZ_CHECK(t.host.find_first_not_of("0123456789.") == std::string::npos);
        FUZZ_CHECK(t.tcp_port >= 1);
        FUZZ_CHECK(t.port_name.size() <= arg.size());
        FUZZ_CHECK(!Link::key_of(t).empty());
    }
    return 0;
}
