// "zevahv-sim mainframe --help": everything a user needs to start, script
// and break a simulated crate without reading its source.
#include <cstdio>
#include <sstream>

#include "mainframe/options.h"

namespace sim::mf {

namespace {

const char* kOptions = R"(Mainframe options (zevahv-sim mainframe|kr2440|kr2550|kr2210|kr2220 [options]):
  --tcp HOST:PORT     serve on this loopback address (127.0.0.0/8). Default:
                      127.0.0.2:0 (current; port 0 lets the kernel choose) or
                      127.0.0.5:2527 (legacy, whose clients always use 2527).
                      A crate has an address of its own so that the events it
                      pushes come from the address the client opened.
  --crate FILE        the crate file (format below); "default" (the default)
                      or "full" for a built-in crate
  --print-crate       print the built-in crate named by --crate as a crate
                      file and exit: a start for your own
  --model NAME        the model the crate answers (default: the crate file's,
                      KR2440 for the built-in ones); KR2210 and KR2220 make it
                      a legacy crate. The word kr2440, kr2550, kr2210 or kr2220
                      in place of "mainframe" sets it too.
  --legacy            the legacy generation (model KR2210 unless given)
  --user NAME:PASS    one more login user with write access (repeatable)
  --log FILE          append "> <payload>" for every request and "< <payload>"
                      for every reply (without the length prefix; bytes
                      outside printable ASCII as \xHH), flushed as written
  --tick MS           how often monitors are compared and changes pushed (100)
  --keepalive MS      a keep-alive frame after this long without one (5000)
  --max-sessions N    logins the crate accepts at once (64)
  --max-items N       subscriptions per session (10000)
  --ripple MS         readout noise: every MS (rounded to ticks) each VMon and
                      IMon moves one raw step away from its value or back, so
                      that every subscribed monitor changes (load tests)
  --fault "MODE ..."  start in a fault mode of the request connection (below)
  --control ADDR      the control channel on a local socket or port too
  --help              this page (with the device word: the whole page)
)";

const char* kProtocol = R"(
Request connection (TCP; numbers big-endian):
  every message: payload length (4 bytes, not counting itself), payload.
  request: NAME [":" session(4)] [":" arguments]   (the login has no session)
  reply:   NAME ":" [session(4) ":"] status(2) ":" text [":" data]
  The data follow only a status of 0 on a command that returns data; the
  status text is "ok" on success. A length above 1 MiB closes the
  connection; an empty payload is answered "Command not supported".

Login: "LOGINSYSTEM:user:password" (current crates, which take "LOGIN" too)
or "LOGIN:user:password" (legacy crates, which refuse LOGINSYSTEM); the data
of the reply are the session number (4 bytes). Users of the built-in crates:
  admin / admin      read and write
  user / user        read and write
  guest / guest      read only: every set, name, Kill and ClearAlarm is refused
A crate file without "users" accepts any user name and password.

Commands served (arguments and reply data):
  GETSYSINFO          the system description: descriptor count ":" 32-byte
                      descriptors ":" board count, slots ":" channel counts,
                      then per board ":" n ":" indices ":" and per channel
                      n ":" indices ":". Descriptor: name (10), flags (4: type
                      <<16, bit 15 read-write, bit 14 signed), then min (4)
                      max (4) decimals (2) scale (2) unit (2) exponent (2) 0 (2),
                      or for on/off parameters on-text (8) off-text (8) 0 (2).
                      Equal descriptors are listed once.
  GETCRATEMAP         slots(2), per slot ":" 0 (empty) or model ":" description
                      ":" serial(2) ":" firmware(2: major, minor)
  GETSYSCOMP          1 ":" slots(2) ":" per slot channel count (4)
  TSTBDPRES slot      model ":" description ":" serial ":" firmware
  GETCHNAME slot:n:ch...          n NUL-terminated names
  SETCHNAME slot:name:n:ch...     at most 11 characters
  GETCHPARAM slot:name:n:ch...    n raw values (4 each)
  SETCHPARAM slot:name:raw(4):n:ch...
  GETBDPARAM name:n:slot...       n raw values
  SETBDPARAM name:raw(4):n:slot...
  KILL_1 then KILL_2              every channel off at once (Status bit 12)
  CLRALARM_1 then CLRALARM_2      trips and kills cleared
  GETACTLOG           n(2) ":" per session "number:user:address:TCP/IP:seconds;"
  system properties   GETSYSNAME ("MODEL,symbolic name"), SETSYSNAME, GETSWREL,
                      GET/SETGENCFG (1 byte; set as high ":" low), GETFPIN,
                      GETFPOUT (2), GET/SETRSFLAGCFG, GETRSFLAG (1), GETHVPSM
                      (5 bytes), GETHVFANSTAT / GETFANSTAT (3 x status(1) and
                      speed(2), following HVFanSpeed), GETPWFANSTAT, GETCLKFREQ
                      (1), GET/SETHVCLKCFG (2), GET/SETIPADDR, IPNETMSK, IPGWY
                      (dotted text), GETPWCUR, GETCPULOAD (text, rising with the
                      channels on), GETMEMORYSTATUS, GETPWVOLT, GETDHCPDSTATUS
                      (text), GET/SETOUTPUTLEVEL (2: 0..1), GETCMDQSTATUS (2),
                      GET/SETFANSPEED (2: 1500..5000 rpm), GET/SETDUMMY (4),
                      GET/SETCMDMODE (2: 0..1), GET/SETCNETCRNUM (2: 0..99),
                      GET/SETRS232PARAM (text); ENABLEMSG, DISABLEMSG,
                      RS232CMDOFF are acknowledged. Commands of the other
                      generation, FORMAT, the group commands and CNETCOMM are
                      answered "Command not supported".
  NEWSUBSCRIBE, NEWUNSUBSCRIBE, SUBSCRIBE, UNSUBSCRIBE: see Events.

Refusals (status, text):
  6 Command not supported    unknown command, or one of the other generation
  7 Slot NOT Present         an empty slot
  10 Value out of range      slot or channel beyond the crate or board, a value
                             outside the descriptor's limits (on/off: 0 or 1), a
                             property value outside its range; "Channel name
                             longer than 11 characters"
  18 Param is read only      a set of a read-only parameter; "User has no write
                             access" for a read-only user
  20 System configuration is change   a board was inserted, pulled or moved
                             since this session last read GETSYSINFO (every
                             parameter and name request, until it reads it)
  22 Param Not Found         no such parameter on that board or channel
  25 Too many sessions       --max-sessions logins are open
  26 Malformed request       arguments that cannot be read; "Command out of
                             sequence" for KILL_2/CLRALARM_2 not right after _1
  4098 Session not logged in a session number that is not this connection's
  4103 Wrong user name or password
  2 (event connection failed) the client's event port did not accept
)";

const char* kChannels = R"(
The channels: VMon ramps towards VSet at RUp (V/s) while Pw is on and back to
0 at RDwn when it is off, never above SVMax or the board's HVMax (Status bit
7 then). The output drives a resistive load (the kind's "load", MOhm; control
"load"): IMon = VMon / load (+ a leakage current, control "set ... IMon").
When the load would draw more than ISet the output is held at ISet x load
(Status bit 3); after Trip seconds there (1000 s or more: never) the channel
trips: Pw goes off, Status bit 9, and with PDwn "Kill" the output drops at
once, else it ramps down. Pw on again, or ClearAlarm, clears a trip or kill.
  Status bits: 0 on, 1 ramping up, 2 ramping down, 3 over current (at ISet),
  7 held at SVMax/HVMax, 9 tripped, 12 killed.
  BdStatus bits: 0 a channel over current, 1 a channel tripped, 2 over
  temperature (Temp above TempMax), 3 a channel killed.
)";

const char* kEvents = R"(
Events, current generation: NEWSUBSCRIBE port(2):n(2):items, each item
  channel 0(2):board(2):channel(2):name, board 1(2):board(2):name, system
  2(2):name (a property name of the list above, e.g. CPULoad, SymbolicName),
  notice 3(2):KeepAlive|LiveInsRem, joined by ":" and the last ended by a NUL.
  The reply data: n(2) ":" one identifier (4) per item, -1 for a refused item
  (no such board, channel or name). Identifiers: slot << 24 | channel << 8 |
  index (channel 0xFFFF for board items), 0x10000000 | index for system
  items, 0xFE000000 | 0/1/2 for KeepAlive, LiveInsertion, Tr-Mode. They are
  given at subscription and stay with the board: a moved board keeps sending
  under its old slot's identifiers; a pulled board's subscriptions end.
  On the first subscription to a port the crate connects from its own
  address (the --tcp host) to that port on the client's address and sends,
  every --tick, one frame with the items whose value changed (the first
  frame after a subscription holds the new items' values):
    0 "ZEVAHV", 6 0(2), 8 sequence(4), 12 0(4), 16 0(4), 20 item count n(4),
    24 state byte of boards 0..15 (16), 40 state byte of the system (1),
    41 total length(4), 45 items: identifier(4), form(2: 0 number, 1 text),
    length(2), value (a raw number (4) or the text, no NUL).
  State bytes: 0 empty slot, 1 ok, 2 a channel over current, 11 a channel
  tripped or killed, or over temperature. A keep-alive (KeepAlive notice,
  value 0) follows --keepalive ms without a frame. A board inserted, pulled or
  moved sends a LiveInsertion notice whose value is slot(1), 1 inserted / 0
  pulled(1), 0(2). NEWUNSUBSCRIBE port:n:ids, ids of 4 bytes joined by ":"
  (the last ended by a NUL) or the items as above: an identifier removes that
  item; -2 names none and removes nothing (the frames keep coming); the
  reply data are n ":" and per item the identifier removed, -1 (none) or -2.
  The event connection closes when the last session using it ends.

Events, legacy generation: SUBSCRIBE / UNSUBSCRIBE with the same arguments;
  the reply identifiers -1 (refused), -2 (this session has it already), -3
  (--max-items reached). Values go as UDP datagrams from the crate's address
  and port (the request port's number) to the client's port on its address:
    single event: 0 "ZEVA", 4 1, 5 0, 6 text flag, 7 1, 8 sequence(4),
      12 milliseconds since start(4), 16 identifier(4), 20 value length L(2),
      22 0(2), 24 value (L bytes: a raw number (4) or a text, no NUL)
    batch: 0 "ZEVA", 4 2, 5 0, 6 message length(2), 8 event count(2), then
      per event: text flag(1), 1(1), sequence(4), milliseconds(4),
      identifier(4), L(2), 0(2), value(L)
  One changed item goes as a single event, more as batches of at most 4096
  bytes (texts cut to 255 bytes). KeepAlive and LiveInsRem messages go only
  to clients that subscribed them.
)";

const char* kControl = R"(
Mainframe control commands (stdin or --control; one line, one answer):
  get <slot> <ch|-1> <param>          -> OK <value in its unit> (status, raw and
                                      on/off parameters as their number)
  set <slot> <ch|-1> <param> <value>  as the hardware would: any parameter,
                                      read-only ones too (VMon moves the output,
                                      IMon sets a leakage current; Status and
                                      BdStatus follow the channels)
  load <slot> <ch> <MOhm>             the channel's load resistance
  trip <slot> <ch>                    trip the channel now
  name <slot> <ch> <text>             a channel name of up to 255 characters,
                                      longer than a client's 12-byte field
  sys <property> [value]              show or set a system property as the
                                      crate would (byte lists as 1,1,1,2,0)
  kill | clear                        as the Kill and ClearAlarm commands
  ripple <ms>                         the readout noise of --ripple (0: off)
  pull <slot>                         take the board out
  insert <slot> <kind> [serial]       put a new board of a kind of the crate in
  move <from> <to>                    move a board to an empty slot, state kept
  map                                 -> OK 0:ZB3012P 1:ZB6024N 2:- ...
  fault <mode> [for COMMAND]          every reply (of COMMAND) until "fault none"
  fault-once <mode> [for COMMAND]     the next reply (of COMMAND) only
  event <mode> [n]                    -> OK <event destinations reached>
  disconnect                          close every client connection now
  sessions                            -> OK <logins open>
  subscriptions                       -> OK <items subscribed>
  count [COMMAND|reset]               -> OK <requests (of COMMAND) since start>
  quit                                ends the simulator

Fault modes of the request connection:
  none | silent (no reply) | delay <ms> | close-midreply (half the reply,
  then the connection closes) | drop (closes without a reply) |
  wrong-name [NAME] (the reply names NAME, default GETSWREL) | length <n>
  (the length prefix says n, e.g. 0 or 2147483648) | garbage (24 noise bytes,
  framed) | cut-data <n> (the reply data cut to n bytes) | refuse <code>
  [text] (that status and text instead of the answer)

Event modes (to every event destination):
  keepalive | tr-mode <v> | flood <n> (n frames of every subscribed value) |
  bad-magic | empty (a frame with n = 0) | overcount [k] (k more items
  announced than sent) | short-total (total length 10) | bad-length (a length
  field that disagrees with the bytes) | batch (legacy: one event as a batch)
  | unknown (an item nobody subscribed) | long-text [n] (a text value of n
  bytes, default 2000) | cut (half a frame, then the connection closes; a
  legacy datagram of 20 bytes) | stall (half a frame, then nothing)
)";

const char* kFile = R"(
Crate file (JSON):
  {"model": "KR2440", "generation": "current|legacy" (from the model if left
   out), "name": "symbolic name", "slots": 1..16,
   "users": [{"name": "admin", "password": "admin", "write": true}],
   "parameters": {NAME: {"type": "numeric|onoff|chstatus|bdstatus|raw|text|
       enum|command" or 0..7, "write": bool, "signed": bool, "min": v, "max": v
       (in the unit), "decimals": 0..9, "scale": 1..65535, "unit": "|A|V|W|C|
       Hz|bar|V/s|s|rpm|count|bit" or a code, "exp": n, "extra": n, "on": text,
       "off": text (7 characters at most), "default": v, "role": ROLE}},
   "kinds": {MODEL: {"description": text, "channels": 1..128, "load": MOhm,
       "board": [parameter names], "channel": [parameter names],
       "override": {NAME: {fields as above}},
       "groups": [{"channels": [first, last], "override": {...}}]}},
   "boards": [{"slot": n, "kind": MODEL, "serial": 0..65535,
       "firmware": "major.minor"}],
   "system": {PROPERTY: value}}
  A raw value is value x scale with decimals, value / scale without. A role
  gives a parameter its behaviour: VSet, ISet, VMon, IMon, Pw, RUp, RDwn,
  Trip, SVMax, PDwn, Status (channel), BdStatus, Temp, TempMax, HVMax (board),
  Store (kept as written); a parameter named like a role has it. Names are 9
  characters at most; texts hold no ':'. "zevahv-sim mainframe --print-crate"
  prints the built-in crate in this format.
)";

const char* type_word(uint16_t t) {
    static const char* words[] = {"numeric", "on/off", "status", "bdstatus", "raw", "text", "enum", "command"};
    return t < 8 ? words[t] : "?";
}

const char* unit_word(uint16_t u) {
    static const char* words[] = {"", "A", "V", "W", "C", "Hz", "bar", "V/s", "s", "rpm", "count", "bit"};
    return u < 12 ? words[u] : "?";
}

void describe_params(std::ostringstream& o, const ParamList& list, const char* indent) {
    for (const auto& d : list) {
        char line[160];
        if (d.type == kTypeOnOff) {
            std::snprintf(line, sizeof line, "%s%-9s %s  on/off  1 %s / 0 %s\n", indent, d.name.c_str(),
                          d.writable ? "RW" : "R ", d.on_text.c_str(), d.off_text.c_str());
        } else if (d.type == kTypeNumeric) {
            std::snprintf(line, sizeof line, "%s%-9s %s  numeric %g..%g %s%s (decimals %d, scale %u)\n", indent,
                          d.name.c_str(), d.writable ? "RW" : "R ", d.to_value(static_cast<uint32_t>(d.min_raw)),
                          d.to_value(static_cast<uint32_t>(d.max_raw)), d.exponent == -6 ? "u" : "",
                          unit_word(d.unit), d.decimals, d.scale);
        } else {
            std::snprintf(line, sizeof line, "%s%-9s %s  %s\n", indent, d.name.c_str(), d.writable ? "RW" : "R ",
                          type_word(d.type));
        }
        o << line;
    }
}

void describe_builtin(std::ostringstream& o) {
    std::string error;
    auto spec = load_crate_json(builtin_crate_json("default"), error);
    if (!spec) return;
    o << "\nThe built-in crate (--crate default): " << spec->model << ", " << spec->slots << " slots\n";
    for (int s = 0; s < spec->slots; ++s) {
        const BoardSpec* b = nullptr;
        for (const auto& x : spec->boards)
            if (x.slot == s) b = &x;
        if (!b) {
            o << "  slot " << s << ": empty\n";
            continue;
        }
        const BoardKind& k = spec->kinds.at(b->kind);
        o << "  slot " << s << ": " << k.model << " \"" << k.description << "\", " << k.channels
          << " channels, serial " << b->serial << ", firmware " << b->fw_major << "." << b->fw_minor << "\n";
    }
    o << "  (--crate full: 16 slots, each a ZB2548B of 48 channels, serials 5000..5015)\n";
    for (const auto& [model, k] : spec->kinds) {
        o << "  " << model << " board parameters:\n";
        describe_params(o, k.board_params, "    ");
        const ParamList* shown = nullptr;
        for (int c = 0; c < k.channels; ++c) {
            const ParamList* list = k.channel_params[c].get();
            if (list == shown) continue;
            int last = c;
            while (last + 1 < k.channels && k.channel_params[last + 1].get() == list) ++last;
            o << "  " << model << " channels " << c << ".." << last << ":\n";
            describe_params(o, *list, "    ");
            shown = list;
        }
    }
}

} // namespace

std::string mainframe_help(const std::string& word) {
    std::ostringstream o;
    o << kOptions;
    if (word.empty()) {
        o << "  (zevahv-sim mainframe --help: the protocol, the crate file, the built-in\n"
             "   crate, the control commands and the fault modes)\n";
        return o.str();
    }
    o << "\nOn start: \"READY tcp <host> <port>\" on stdout (and CONTROL ... with --control).\n";
    o << control_channel_help() << kProtocol << kChannels << kEvents << kControl << kFile;
    describe_builtin(o);
    return o.str();
}

} // namespace sim::mf
