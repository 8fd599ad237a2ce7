// zevahv: look at and drive any system the ZEVAHVLink library serves from a
// shell.  The system is named once per call; the subcommand says what to do.
#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>

#include "ZEVAHVLink.h"
#include "commands.h"
#include "failure.h"
#include "names.h"
#include "system.h"

namespace {

using namespace zcli;

struct SystemWords {
    std::string system;
    std::string link;
    std::string address;
    std::string user;
    std::string password;
};

// "--system p731x --link tcp --address A", or all three in one word:
// "--system p731x,tcp,A".
SystemSpec make_spec(SystemWords w) {
    size_t comma = w.system.find(',');
    if (comma != std::string::npos) {
        size_t second = w.system.find(',', comma + 1);
        if (second == std::string::npos || !w.address.empty())
            throw Failure(kExitUsage, -1,
                          "--system takes TYPE or TYPE,LINK,ADDRESS (and then no --address)");
        w.link = w.system.substr(comma + 1, second - comma - 1);
        w.address = w.system.substr(second + 1);
        w.system.resize(comma);
    }
    SystemSpec s;
    if (w.system.empty())
        throw Failure(kExitUsage, -1, "name the system with --system (" + joined_names(system_types()) + ")");
    auto type = system_type_code(w.system);
    if (!type)
        throw Failure(kExitUsage, -1,
                      "unknown system type \"" + w.system + "\" (" + joined_names(system_types()) + ", or a code)");
    auto link = link_type_code(w.link.empty() ? "TCP/IP" : w.link);
    if (!link)
        throw Failure(kExitUsage, -1,
                      "unknown link \"" + w.link + "\" (" + joined_names(link_types()) + ", tcp, vcp, or a code)");
    if (w.address.empty()) throw Failure(kExitUsage, -1, "name the system's address with --address");
    s.type = *type;
    s.link = *link;
    s.address = w.address;
    s.user = w.user;
    s.password = w.password;
    return s;
}

constexpr const char* kFooter = R"HELP(The system:
  --system TYPE      KR2210, KR2220, KR2440, KR2550, W40XX, Q3815, W7300, P731X,
                     RD40XX, ZBK, RD40XXE, Q2904, LUMENHV, KQPS, Q2906 (any case)
                     or the type code
  --link LINK        TCP/IP (tcp), USBVCP (vcp), USB, OPTLINK, USB3, B7301 or the
                     link code; default TCP/IP
  --address ADDRESS  what the library opens: a module over TCP "IP[:PORT]_BOARD"
                     (127.0.0.1:47001_0 for a simulator), a module on a serial
                     port "PORT_BAUD_DATA_STOP_PARITY_BOARD" (/dev/ttyUSB0_9600_8_0_0_0),
                     a mainframe "IP[:PORT]"
  or all in one: --system p731x,tcp,127.0.0.1:47001_0
  The environment variables ZEVAHV_SYSTEM, ZEVAHV_LINK, ZEVAHV_ADDRESS,
  ZEVAHV_USER and ZEVAHV_PASSWORD stand in for the options.

Exit codes:
  0  success
  1  the library or the device refused a call
  2  the command line is wrong
  3  the system could not be opened
  4  no such slot, channel, parameter, property or command
  5  a value that is not a number or a choice, or out of range
  6  the event connection failed or stayed silent (monitor)
Failures are reported on stderr as
  zevahv: P731X at 127.0.0.1:47001_0: <what failed>: <the library's text> (code N)

Examples (with "zevahv-sim p731x --tcp 127.0.0.1:47001 &" serving):
  zevahv --system p731x --address 127.0.0.1:47001_0 info
  zevahv --system p731x --address 127.0.0.1:47001_0 params
  zevahv --system p731x --address 127.0.0.1:47001_0 set 0 FineGain 100 --channel 3
  zevahv --system p731x --address 127.0.0.1:47001_0 monitor FineGain --channel 3
Run "zevahv SUBCOMMAND --help" for each subcommand's options and examples.
)HELP";

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (zevahv ... | head) must not kill the program
    // before it has unsubscribed and closed the system.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App app{"zevahv: read, set and watch any system of the ZEVAHVLink library", "zevahv"};
    app.footer(kFooter);
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("zevahv, library ") + ZEVAHVLibSwRel());

    SystemWords words;
    Globals globals;
    app.add_option("--system", words.system, "System type (name or code), or TYPE,LINK,ADDRESS")
        ->envname("ZEVAHV_SYSTEM");
    app.add_option("--link", words.link, "Link type (name or code; default TCP/IP)")
        ->envname("ZEVAHV_LINK");
    app.add_option("--address", words.address, "The system's address argument")
        ->envname("ZEVAHV_ADDRESS");
    app.add_option("--user", words.user, "User name (mainframes)")->envname("ZEVAHV_USER");
    app.add_option("--password", words.password, "Password (mainframes)")
        ->envname("ZEVAHV_PASSWORD");
    app.add_flag("--json", globals.json, "JSON output for scripts");

    Action action;
    add_commands(app, action);
    add_batch(app, action);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);  // prints the help or the error
        return rc == 0 ? kExitOk : kExitUsage;
    }

    SystemSpec spec;
    try {
        spec = make_spec(words);
    } catch (const Failure& f) {
        std::cerr << "zevahv: " << with_code(f.what(), f.code()) << '\n';
        return f.exit_code();
    }
    try {
        System sys(spec);
        return action(sys, globals);
    } catch (const Failure& f) {
        std::cerr << "zevahv: " << spec.label() << ": " << with_code(f.what(), f.code()) << '\n';
        return f.exit_code();
    } catch (const std::exception& e) {
        std::cerr << "zevahv: " << spec.label() << ": " << e.what() << '\n';
        return kExitLibrary;
    }
}

namespace zcli {

std::string footer(const char* text) {
    return std::string(text) +
           "\n\nThe system is named with --system, --link, --address (and --user, --password);\n"
           "they and --json may stand before or after the subcommand.  See zevahv --help.\n";
}

}  // namespace zcli
