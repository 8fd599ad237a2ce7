// The legacy mainframes (KR2210, KR2220): the same protocol with their own
// login, subscription commands and property set.
#include "ZEVAHVLink.h"
#include "mainframe/generation.h"

namespace zevahv::mainframe {

namespace {

constexpr std::uint8_t kStr = ZEVAHV_SYSPROP_TYPE_STR;
constexpr std::uint8_t kU2 = ZEVAHV_SYSPROP_TYPE_UINT2;
constexpr std::uint8_t kFreq = ZEVAHV_SYSPROP_TYPE_FREQ;

constexpr SysProp kProperties[] = {
    {"Sessions", 0, "GETACTLOG", nullptr, true, 0, 0, kStr},
    {"Kill", 3, nullptr, nullptr, true, 1, 0, 0},
    {"ClearAlarm", 3, nullptr, nullptr, true, 2, 0, 0},
    {"EnMsg", 3, nullptr, nullptr, false, 3, 0, 0},
    {"DisMsg", 3, nullptr, nullptr, false, 4, 0, 0},
    {"Format", 3, nullptr, nullptr, false, 5, 0, 0},
    {"RS232CmdOff", 3, nullptr, nullptr, false, 6, 0, 0},
    {"ModelName", 0, "GETSYSNAME", nullptr, true, 7, 0, kStr},
    {"SwRelease", 0, "GETSWREL", nullptr, true, 8, 0, kStr},
    {"GenSignCfg", 2, "GETGENCFG", "SETGENCFG", true, 9, 2, kU2},
    {"FrontPanIn", 0, "GETFPIN", nullptr, true, 10, 0, kU2},
    {"FrontPanOut", 0, "GETFPOUT", nullptr, true, 11, 0, kU2},
    {"ResFlagCfg", 2, "GETRSFLAGCFG", "SETRSFLAGCFG", true, 12, 2, kU2},
    {"ResFlag", 0, "GETRSFLAG", nullptr, false, 13, 0, kU2},
    {"HvPwSM", 0, "GETHVPSM", nullptr, true, 14, 0, kStr},
    {"FanStat", 0, "GETFANSTAT", nullptr, true, 15, 0, kStr},
    {"ClkFreq", 0, "GETCLKFREQ", nullptr, true, 16, 0, kFreq},
    {"HVClkConf", 2, "GETHVCLKCFG", "SETHVCLKCFG", true, 17, 2, kStr},
    {"IPAddr", 2, "GETIPADDR", "SETIPADDR", true, 18, 2, kStr},
    {"IPNetMsk", 2, "GETIPNETMSK", "SETIPNETMSK", true, 19, 2, kStr},
    {"IPGw", 2, "GETIPGWY", "SETIPGWY", true, 20, 2, kStr},
    {"RS232Par", 2, "GETRS232PARAM", "SETRS232PARAM", true, 21, 2, kStr},
    {"CnetCrNum", 2, "GETCNETCRNUM", "SETCNETCRNUM", true, 22, 2, kU2},
    {"SymbolicName", 2, "GETSYSNAME", "SETSYSNAME", true, 23, 2, kStr},
    {"CmdQueueStatus", 0, "GETCMDQSTATUS", nullptr, true, 24, 0, kU2},
    {"CPULoad", 0, "GETCPULOAD", nullptr, true, 25, 0, kStr},
    {"MemoryStatus", 0, "GETMEMORYSTATUS", nullptr, true, 26, 0, kStr},
};

}  // namespace

const Generation kLegacyGeneration = {
    .family = 0,
    .commands = kLegacy,
    .login_command = "LOGIN",
    .address_after_model = false,
    .subscribe_command = "SUBSCRIBE",
    .unsubscribe_command = "UNSUBSCRIBE",
    .properties = kProperties,
    .power_module_names = false,
    .property22_one_bit = false,
    .graded_refusals = true,
    .decode_with_subscribed_descriptor = true,
    .no_item_store_text = "NO MORE MEMORY FOR LOGIN",
};

}  // namespace zevahv::mainframe
