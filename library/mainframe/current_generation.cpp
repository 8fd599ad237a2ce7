// The current mainframes (KR2440, KR2550).
#include "mainframe/generation.h"

namespace zevahv::mainframe {

const Generation kCurrentGeneration = {
    .family = 2,
    .commands = kCurrent,
    .login_command = "LOGINSYSTEM",
    .address_after_model = true,
    .subscribe_command = "NEWSUBSCRIBE",
    .unsubscribe_command = "NEWUNSUBSCRIBE",
    .power_module_names = true,
    .property22_one_bit = true,
    .graded_refusals = false,
    .decode_with_subscribed_descriptor = false,
    .no_item_store_text = "User Memory not sufficient:Please MAKE LOGOUT",
};

}  // namespace zevahv::mainframe
