#pragma once

#include "regaccess/device.h"

namespace zevahv::regaccess::w40xx {

extern const RegFamily family;

}  // namespace zevahv::regaccess::w40xx
