#include "mainframe/commands.h"

#include <array>

namespace zevahv::mainframe {

namespace {

// Generations: B both, C current only, L legacy only.
constexpr unsigned B = kBoth, C = kCurrent, L = kLegacy;

constexpr Command kCommands[] = {
    {"LOGIN", false, 2, 3, 1, B},
    {"LOGINSYSTEM", false, 2, 3, 1, C},

    {"LOGOUT", true, 0, 4, 0, B},
    {"ENABLEMSG", true, 0, 4, 0, B},
    {"DISABLEMSG", true, 0, 4, 0, B},
    {"KILL_1", true, 0, 4, 0, B},
    {"KILL_2", true, 0, 4, 0, B},
    {"CLRALARM_1", true, 0, 4, 0, B},
    {"CLRALARM_2", true, 0, 4, 0, B},
    {"FORMAT", true, 0, 4, 0, B},
    {"SETIPGWY", true, 0, 4, 0, B},
    {"RS232CMDOFF", true, 0, 4, 0, L},

    {"GETSYSNAME", true, 0, 4, 1, B},
    {"GETSWREL", true, 0, 4, 1, B},
    {"GETGENCFG", true, 0, 4, 1, B},
    {"GETRSFLAGCFG", true, 0, 4, 1, B},
    {"GETRSFLAG", true, 0, 4, 1, B},
    {"GETIPADDR", true, 0, 4, 1, B},
    {"GETIPNETMSK", true, 0, 4, 1, B},
    {"GETIPGWY", true, 0, 4, 1, B},
    {"GETCNETCRNUM", true, 0, 4, 1, B},
    {"GETHVPSM", true, 0, 4, 1, B},
    {"GETCLKFREQ", true, 0, 4, 1, B},
    {"GETHVCLKCFG", true, 0, 4, 1, B},
    {"GETFPIN", true, 0, 4, 1, B},
    {"GETFPOUT", true, 0, 4, 1, B},
    {"GETCMDQSTATUS", true, 0, 4, 1, B},
    {"GETCPULOAD", true, 0, 4, 1, B},
    {"GETMEMORYSTATUS", true, 0, 4, 1, B},
    {"GETHVFANSTAT", true, 0, 4, 1, C},
    {"GETFANSPEED", true, 0, 4, 1, C},
    {"GETPWFANSTAT", true, 0, 4, 1, C},
    {"GETPWCUR", true, 0, 4, 1, C},
    {"GETPWVOLT", true, 0, 4, 1, C},
    {"GETOUTPUTLEVEL", true, 0, 4, 1, C},
    {"GETDUMMY", true, 0, 4, 1, C},
    {"GETCMDMODE", true, 0, 4, 1, C},
    {"GETDHCPDSTATUS", true, 0, 4, 1, C},
    {"GETFANSTAT", true, 0, 4, 1, L},
    {"GETRS232PARAM", true, 0, 4, 1, L},

    {"SETSYSNAME", true, 1, 4, 0, B},
    {"SETIPADDR", true, 1, 4, 0, B},
    {"SETIPNETMSK", true, 1, 4, 0, B},
    {"SETCNETCRNUM", true, 1, 4, 0, B},
    {"SETHVCLKCFG", true, 1, 4, 0, B},
    {"SETFANSPEED", true, 1, 4, 0, C},
    {"SETRS232PARAM", true, 1, 4, 0, L},

    {"SETGRPPARAM", true, 2, 4, 0, B},
    {"SETGENCFG", true, 2, 4, 0, B},
    {"SETRSFLAGCFG", true, 2, 4, 0, B},
    {"SETOUTPUTLEVEL", true, 2, 4, 0, C},
    {"SETDUMMY", true, 2, 4, 0, C},
    {"SETCMDMODE", true, 2, 4, 0, C},

    {"ADDCHTOGRP", true, 3, 4, 0, B},
    {"REMCHFROMGRP", true, 3, 4, 0, B},
    {"SETBDPARAM", true, 3, 4, 0, B},
    {"GETCHNAME", true, 3, 4, 1, B},
    {"GETGRPPARAM", true, 3, 4, 1, B},
    {"GETBDPARAM", true, 3, 4, 1, B},
    {"SUBSCRIBE", true, 3, 4, 2, B},
    {"UNSUBSCRIBE", true, 3, 4, 2, B},
    {"NEWSUBSCRIBE", true, 3, 4, 2, C},
    {"NEWUNSUBSCRIBE", true, 3, 4, 2, C},
    {"SETCHNAME", true, 4, 4, 0, B},
    {"GETCHPARAM", true, 4, 4, 1, B},
    {"CNETCOMM", true, 4, 4, 1, B},
    {"SETCHPARAM", true, 5, 4, 0, B},
    {"GETGRPCOMP", true, 1, 4, 2, B},
    {"GETSYSCOMP", true, 0, 4, 3, B},
    {"TSTBDPRES", true, 1, 4, 4, B},
    {"GETCRATEMAP", true, 0, 4, 4, B},
    {"GETACTLOG", true, 0, 4, 5, B},
    {"GETSYSINFO", true, 1, 4, 9, B},
};

}  // namespace

const Command *find_command(std::string_view name, GenerationMask generation) {
    for (const Command &c : kCommands)
        if ((c.generations & generation) != 0 && c.name == name) return &c;
    return nullptr;
}

int parse_reply(Bytes payload, const Command &cmd, ReplyHeader *out) {
    Cursor in(payload);
    Bytes name = in.take(cmd.name.size());
    if (!in.ok() ||
        std::string_view(reinterpret_cast<const char *>(name.data()), name.size()) != cmd.name)
        return kReplyMismatch;
    in.sep();
    if (cmd.in_session) {
        in.u32();
        in.sep();
    }
    const auto status = static_cast<std::int16_t>(in.u16());
    in.sep();
    if (!in.ok()) return kReplyMismatch;
    out->status = status;
    if (status != 0 || cmd.data == 0) {
        out->text = in.rest_text();
        out->data_offset = payload.size();
        return 0;
    }
    out->text = in.text_to_sep();
    if (!in.ok()) return kReplyMismatch;
    out->data_offset = in.pos();
    return 0;
}

}  // namespace zevahv::mainframe
