#include <sstream>

#include "cli/options.h"
#include "devices/registry.h"

namespace sim {

namespace {

const char* kind_word(const ParamDef& p) {
    switch (p.kind) {
    case Kind::Number: return "number";
    case Kind::OnOff: return "on/off";
    case Kind::Enum: return "index";
    case Kind::Text: return "text";
    case Kind::Status: return "status";
    case Kind::Action: return "no value";
    }
    return "";
}

const char* access_word(Access a) {
    switch (a) {
    case Access::R: return "R ";
    case Access::W: return "W ";
    case Access::RW: return "RW";
    }
    return "";
}

void describe(std::ostringstream& o, const DeviceKind& k) {
    o << k.name << ": " << k.description << "\n";
    if (k.default_model.empty()) o << "  model answered from its description unless --model; ";
    else o << "  model answered \"" << k.default_model << "\" unless --model; ";
    o
      << (k.serial ? "TCP or --pty" : "TCP only") << "; "
      << (k.several_boards ? "boards of --boards on one line" : "one module (board 0)");
    if (k.min_channels < k.max_channels)
        o << "; channels " << k.min_channels << ".." << k.max_channels << " (default "
          << k.default_channels << ")";
    o << "\n\nWire form (" << k.dialect().name() << "; \"\\r\\n\" ends every line):\n"
      << k.dialect().help() << "\n";
    auto dev = make_device(k);
    if (!dev) return;
    const struct {
        Scope scope;
        const char* title;
    } groups[] = {{Scope::Board, "board words (no CH piece)"},
                  {Scope::Channel, "channel words (CH:n)"},
                  {Scope::Either, "limit words (with or without CH)"}};
    for (const auto& g : groups) {
        bool any = false;
        for (const auto& p : dev->table()) {
            if (p.scope != g.scope) continue;
            if (!any) o << "  " << g.title << ":\n";
            any = true;
            o << "    " << p.mnemonic;
            for (size_t i = p.mnemonic.size(); i < 11; ++i) o << ' ';
            o << access_word(p.access) << "  " << kind_word(p);
            if (p.kind == Kind::Number && p.access != Access::R) {
                o << " " << p.min << ".." << p.max;
                if (p.decimals) o << " (" << p.decimals << " decimal" << (p.decimals > 1 ? "s)" : ")");
            }
            if (p.kind == Kind::Number && p.access == Access::R && p.min == p.max && p.max != 0)
                o << " = " << p.max;
            if (p.kind == Kind::Enum) o << " 0.." << p.max;
            if (p.kind == Kind::OnOff) o << " " << p.on_text << "/" << p.off_text;
            o << "  " << p.help << "\n";
        }
    }
    auto extra = dev->panel_help();
    if (!extra.empty()) {
        o << "  front-panel words of the control channel's set/get, beyond the above:\n";
        for (const auto& e : extra) o << "    " << e << "\n";
    }
}

} // namespace

std::string help_text(const std::string& device) {
    std::ostringstream o;
    o << R"(Module options (zevahv-sim <module> [options]):
  --tcp HOST:PORT   serve TCP on this IPv4 address (default 127.0.0.1:0; port 0
                    lets the kernel choose). Any number of clients at once; each
                    may address every board. (The ports in the device list are
                    the real modules' fixed ones; a client reaches a simulator
                    at this one, e.g. "127.0.0.1:PORT_0" for the library.)
  --pty             serve a pseudo-terminal in raw mode instead; all boards are
                    daisy-chained on the one line.
  --control ADDR    the control channel on a local socket or loopback port too
                    (see above)
  --boards LIST     board addresses, comma separated, 0..99 (default 0), for the
                    devices with addresses (q3815, p731x, q2904, q2906, lumenhv).
                    A command for an address not in the list gets no answer.
  --model NAME      text answered to the identification word (BDNAME, CRNAME,
                    MRID; default: the device's own model; e.g. P731XBC,
                    Q2904GE, Q2906GE, or XYZ to test a refusal)
  --channels N      the channel count of the devices that have a choice (their
                    page gives the range)
  --serial N        serial number (BDSNUM/SERNUM/PSSNUM) of the first board;
                    further boards count up from it (default 1001)
  --fwrel X.Y       firmware release answered to BDFREL/PSFREL (default 1.0;
                    kqps answers VER as X.Y.0)
  --describe FILE   lumenhv: the JSON description of its words (default: the
                    built-in one; see its page)
  --no-range        rd40xxe: a module without a current-monitor range
  --local           boards start in local control: every SET is refused "LOC"
  --log FILE        append "> <line>" for every line received and "< <line>" for
                    every line sent (line ends left out, other bytes outside
                    printable ASCII as \xHH), flushed line by line
  --silent          start in fault mode silent       (same as fault silent)
  --delay MS        start in fault mode delay MS
  --garble          start in fault mode garbage
  --fault MODE[:N]  start in any fault mode, e.g. --fault long-line:5000
  --help            the module options and, after a device word, its page

Values and refusals of every module form:
  CH equal to the channel count reaches all channels: a monitor answers the
  values in channel order joined by ';', a set writes every channel.
  Numbers are answered zero-padded with the module's digits (VMON "0100.2",
  P731X FGAIN "007"); on/off words with their texts (q3815) or 1/0
  (amplifiers); indexes as plain numbers; status words as five digits.
  Refusals carry one keyword and no "OK":
    CMD   malformed command, MON of a write-only word, SET of a read-only one
    CH    channel missing, not allowed, or above the channel count
    PAR   unknown word, or no PAR piece
    VAL   value missing, not a number/text of the word, out of range
    LOC   any SET while the board is in local control
  Lines longer than 4096 bytes get no answer. Each device's page
  (zevahv-sim <device> --help) shows its exact form.

Module control commands (stdin or --control):
  set <board> <WORD> <ch|-1> <value>  change the state as the front panel would
                                      (read-only words too, local or not; -1 for
                                      board words, the channel count for all);
                                      ERR for a monitor or status word that
                                      follows the state the set cannot move
  get <board> <WORD> <ch|-1>          -> OK <value>, as the wire would answer
  local <board> on|off                local (front panel) or remote control
  fault <mode>                        applies to every reply until "fault none"
  fault-once <mode>                   applies to the next reply only
  count                               -> OK <n>: command lines received since start
  count reset                            or since the last reset
  quit                                ends the simulator

Fault modes:
  none                no fault
  silent              no reply at all
  delay <ms>          the reply, <ms> late (later commands of that client wait)
  close-midline       the first half of the reply, then the TCP connection is
                      closed (on a pty the rest of the line is lost)
  long-line <n>       the reply padded with 'X' to <n> bytes, line end included
  no-eol              the reply without its line end
  wrong-board         the reply as another module's: the next board address
                      (nn+1) in the addressed form, another word's echo in
                      KQPS ("#XMRV:...", "#XAK"); refused for the forms whose
                      replies name nobody
  garbage             a line of 24 noise bytes (no letters, so no keyword)
)";
    if (device.empty()) return o.str();
    const DeviceKind* k = find_device_kind(device);
    if (!k) return o.str();
    o << "\nDevice ";
    describe(o, *k);
    if (k->notes) o << "\n" << k->notes();
    return o.str();
}

} // namespace sim
