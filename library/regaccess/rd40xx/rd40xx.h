#pragma once

#include "regaccess/device.h"

namespace zevahv::regaccess::rd40xx {

extern const RegFamily family;

}  // namespace zevahv::regaccess::rd40xx
