// The system properties and commands of both mainframe generations in one
// table, in the order of their numbers (which is the order of each
// generation's list).  Most entries are the same for both; where the
// generations differ, an entry names the one that has it.
#include "ZEVAHVLink.h"
#include "mainframe/generation.h"

namespace zevahv::mainframe {

namespace {

constexpr unsigned B = kBoth, C = kCurrent, L = kLegacy;
constexpr std::uint8_t kStr = ZEVAHV_SYSPROP_TYPE_STR;
constexpr std::uint8_t kU2 = ZEVAHV_SYSPROP_TYPE_UINT2;
constexpr std::uint8_t kU4 = ZEVAHV_SYSPROP_TYPE_UINT4;
constexpr std::uint8_t kFreq = ZEVAHV_SYSPROP_TYPE_FREQ;

constexpr SysProp kProperties[] = {
    {"Sessions", 0, "GETACTLOG", nullptr, true, 0, 0, kStr, B},
    {"Kill", 3, nullptr, nullptr, true, 1, 0, 0, B},
    {"ClearAlarm", 3, nullptr, nullptr, true, 2, 0, 0, B},
    {"EnMsg", 3, nullptr, nullptr, false, 3, 0, 0, B},
    {"DisMsg", 3, nullptr, nullptr, false, 4, 0, 0, B},
    {"Format", 3, nullptr, nullptr, false, 5, 0, 0, B},
    {"RS232CmdOff", 3, nullptr, nullptr, false, 6, 0, 0, L},
    {"ModelName", 0, "GETSYSNAME", nullptr, true, 7, 0, kStr, B},
    {"SwRelease", 0, "GETSWREL", nullptr, true, 8, 0, kStr, B},
    {"GenSignCfg", 2, "GETGENCFG", "SETGENCFG", true, 9, 2, kU2, B},
    {"FrontPanIn", 0, "GETFPIN", nullptr, true, 10, 0, kU2, B},
    {"FrontPanOut", 0, "GETFPOUT", nullptr, true, 11, 0, kU2, B},
    {"ResFlagCfg", 2, "GETRSFLAGCFG", "SETRSFLAGCFG", true, 12, 2, kU2, B},
    {"ResFlag", 0, "GETRSFLAG", nullptr, false, 13, 0, kU2, B},
    {"HvPwSM", 0, "GETHVPSM", nullptr, true, 14, 0, kStr, B},
    {"HVFanStat", 0, "GETHVFANSTAT", nullptr, true, 15, 0, kStr, C},
    {"FanStat", 0, "GETFANSTAT", nullptr, true, 15, 0, kStr, L},
    {"ClkFreq", 0, "GETCLKFREQ", nullptr, true, 16, 0, kFreq, B},
    {"HVClkConf", 2, "GETHVCLKCFG", "SETHVCLKCFG", true, 17, 2, kStr, B},
    {"IPAddr", 2, "GETIPADDR", "SETIPADDR", true, 18, 2, kStr, B},
    {"IPNetMsk", 2, "GETIPNETMSK", "SETIPNETMSK", true, 19, 2, kStr, B},
    {"IPGw", 2, "GETIPGWY", "SETIPGWY", true, 20, 2, kStr, B},
    {"PWCurrent", 0, "GETPWCUR", nullptr, true, 21, 0, kStr, C},
    {"RS232Par", 2, "GETRS232PARAM", "SETRS232PARAM", true, 21, 2, kStr, L},
    {"OutputLevel", 2, "GETOUTPUTLEVEL", "SETOUTPUTLEVEL", true, 22, 2, kU2, C},
    {"CnetCrNum", 2, "GETCNETCRNUM", "SETCNETCRNUM", true, 22, 2, kU2, L},
    {"SymbolicName", 2, "GETSYSNAME", "SETSYSNAME", true, 23, 2, kStr, B},
    {"CmdQueueStatus", 0, "GETCMDQSTATUS", nullptr, true, 24, 0, kU2, B},
    {"CPULoad", 0, "GETCPULOAD", nullptr, true, 25, 0, kStr, B},
    {"MemoryStatus", 0, "GETMEMORYSTATUS", nullptr, true, 26, 0, kStr, B},
    {"HVFanSpeed", 2, "GETFANSPEED", "SETFANSPEED", true, 27, 2, kU2, C},
    {"PWFanStat", 0, "GETPWFANSTAT", nullptr, true, 28, 0, kStr, C},
    {"PWVoltage", 0, "GETPWVOLT", nullptr, true, 29, 0, kStr, C},
    {"DummyReg", 2, "GETDUMMY", "SETDUMMY", true, 31, 2, kU4, C},
    {"CMDExecMode", 2, "GETCMDMODE", "SETCMDMODE", true, 32, 2, kU2, C},
    {"DHCPDStatus", 0, "GETDHCPDSTATUS", nullptr, true, 33, 0, kStr, C},
};

}  // namespace

std::span<const SysProp> all_properties() { return kProperties; }

const SysProp *find_property(const Generation &g, std::string_view name) {
    for (const SysProp &p : kProperties)
        if ((p.generations & g.commands) != 0 && name == p.name) return &p;
    return nullptr;
}

}  // namespace zevahv::mainframe
