// The current mainframes (KR2440, KR2550).
#include "ZEVAHVLink.h"
#include "mainframe/generation.h"

namespace zevahv::mainframe {

namespace {

constexpr std::uint8_t kStr = ZEVAHV_SYSPROP_TYPE_STR;
constexpr std::uint8_t kU2 = ZEVAHV_SYSPROP_TYPE_UINT2;
constexpr std::uint8_t kU4 = ZEVAHV_SYSPROP_TYPE_UINT4;
constexpr std::uint8_t kFreq = ZEVAHV_SYSPROP_TYPE_FREQ;

constexpr SysProp kProperties[] = {
    {"Sessions", 0, "GETACTLOG", nullptr, true, 0, 0, kStr},
    {"Kill", 3, nullptr, nullptr, true, 1, 0, 0},
    {"ClearAlarm", 3, nullptr, nullptr, true, 2, 0, 0},
    {"EnMsg", 3, nullptr, nullptr, false, 3, 0, 0},
    {"DisMsg", 3, nullptr, nullptr, false, 4, 0, 0},
    {"Format", 3, nullptr, nullptr, false, 5, 0, 0},
    {"ModelName", 0, "GETSYSNAME", nullptr, true, 7, 0, kStr},
    {"SwRelease", 0, "GETSWREL", nullptr, true, 8, 0, kStr},
    {"GenSignCfg", 2, "GETGENCFG", "SETGENCFG", true, 9, 2, kU2},
    {"FrontPanIn", 0, "GETFPIN", nullptr, true, 10, 0, kU2},
    {"FrontPanOut", 0, "GETFPOUT", nullptr, true, 11, 0, kU2},
    {"ResFlagCfg", 2, "GETRSFLAGCFG", "SETRSFLAGCFG", true, 12, 2, kU2},
    {"ResFlag", 0, "GETRSFLAG", nullptr, false, 13, 0, kU2},
    {"HvPwSM", 0, "GETHVPSM", nullptr, true, 14, 0, kStr},
    {"HVFanStat", 0, "GETHVFANSTAT", nullptr, true, 15, 0, kStr},
    {"ClkFreq", 0, "GETCLKFREQ", nullptr, true, 16, 0, kFreq},
    {"HVClkConf", 2, "GETHVCLKCFG", "SETHVCLKCFG", true, 17, 2, kStr},
    {"IPAddr", 2, "GETIPADDR", "SETIPADDR", true, 18, 2, kStr},
    {"IPNetMsk", 2, "GETIPNETMSK", "SETIPNETMSK", true, 19, 2, kStr},
    {"IPGw", 2, "GETIPGWY", "SETIPGWY", true, 20, 2, kStr},
    {"PWCurrent", 0, "GETPWCUR", nullptr, true, 21, 0, kStr},
    {"OutputLevel", 2, "GETOUTPUTLEVEL", "SETOUTPUTLEVEL", true, 22, 2, kU2},
    {"SymbolicName", 2, "GETSYSNAME", "SETSYSNAME", true, 23, 2, kStr},
    {"CmdQueueStatus", 0, "GETCMDQSTATUS", nullptr, true, 24, 0, kU2},
    {"CPULoad", 0, "GETCPULOAD", nullptr, true, 25, 0, kStr},
    {"MemoryStatus", 0, "GETMEMORYSTATUS", nullptr, true, 26, 0, kStr},
    {"HVFanSpeed", 2, "GETFANSPEED", "SETFANSPEED", true, 27, 2, kU2},
    {"PWFanStat", 0, "GETPWFANSTAT", nullptr, true, 28, 0, kStr},
    {"PWVoltage", 0, "GETPWVOLT", nullptr, true, 29, 0, kStr},
    {"DummyReg", 2, "GETDUMMY", "SETDUMMY", true, 31, 2, kU4},
    {"CMDExecMode", 2, "GETCMDMODE", "SETCMDMODE", true, 32, 2, kU2},
    {"DHCPDStatus", 0, "GETDHCPDSTATUS", nullptr, true, 33, 0, kStr},
};

}  // namespace

const Generation kCurrentGeneration = {
    .family = 2,
    .commands = kCurrent,
    .login_command = "LOGINSYSTEM",
    .address_after_model = true,
    .subscribe_command = "NEWSUBSCRIBE",
    .unsubscribe_command = "NEWUNSUBSCRIBE",
    .properties = kProperties,
    .power_module_names = true,
    .property22_one_bit = true,
    .graded_refusals = false,
    .decode_with_subscribed_descriptor = false,
    .no_item_store_text = "User Memory not sufficient:Please MAKE LOGOUT",
};

const SysProp *find_property(const Generation &g, std::string_view name) {
    for (const SysProp &p : g.properties)
        if (name == p.name) return &p;
    return nullptr;
}

}  // namespace zevahv::mainframe
