// Result codes of the entry points: 0 for success, a negative number for
// each kind of failure, so that a caller that logs the number can tell them
// apart.  (A caller may only rely on "0 or not".)
#pragma once

namespace zevacomm {

enum Result : int {
    kOk = 0,
    kFailed = -1,         // the open found no usable model for the device
    kBadHandle = -2,      // not a handle of an open device
    kBadAddress = -3,     // odd address, beyond the register map, or unmapped
    kBadArgument = -4,    // null pointer, negative count, unknown link code
    kReadOnly = -5,       // a write to a read-only area (descriptors, identity)
    kInjected = -6,       // a failure asked for by a fault rule
    kTooManyOpen = -7,    // all handles are in use
};

}  // namespace zevacomm
