// The legacy mainframes (KR2210, KR2220): the same protocol with their own
// login, subscription commands and property set (properties_table.cpp).
#include "mainframe/generation.h"

namespace zevahv::mainframe {

const Generation kLegacyGeneration = {
    .family = 0,
    .commands = kLegacy,
    .login_command = "LOGIN",
    .address_after_model = false,
    .subscribe_command = "SUBSCRIBE",
    .unsubscribe_command = "UNSUBSCRIBE",
    .power_module_names = false,
    .property22_one_bit = false,
    .graded_refusals = true,
    .decode_with_subscribed_descriptor = true,
    .no_item_store_text = "NO MORE MEMORY FOR LOGIN",
};

}  // namespace zevahv::mainframe
