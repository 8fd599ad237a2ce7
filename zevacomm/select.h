// Which model a device opens with.
//
//   ZEVACOMM_DEVICES  a table file, one device a line:
//                       <link> <number-or-ip> <node> <base> <model>
//                     link: usb, optlink, b7301, tcp, usb3 (or their codes
//                     0, 1, 2, 6, 7); node and base in hex like the
//                     library's connection argument; '*' matches anything;
//                     model: w40xx, rd40xx or a model file (relative to the
//                     table's folder).  The first line that matches wins.
//   ZEVACOMM_MODEL    the model of every device the table does not name.
//   otherwise         a W40XX board, except a USB or USB3 device at base
//                     address 0, which is an RD40XX unit (a desktop unit has
//                     no VME base address).
#pragma once

#include <string>

#include "model.h"

namespace zevacomm {

// Link codes of the open call.
enum LinkCode : int { kUsb = 0, kOptLink = 1, kB7301 = 2, kTcp = 6, kUsb3 = 7 };

struct Address {
    int link = kUsb;
    std::string where;   // the link number in decimal, or the IP text
    unsigned node = 0;
    unsigned base = 0;
};

// "usb", "optlink", ...; null for a code no link has.
const char *link_word(int code);

// The model choice of a device: "w40xx", "rd40xx" or a file path.
bool choose_model(const Address &a, std::string *choice, std::string *error);

// Reads the model of a choice.
bool load_model(const std::string &choice, Model *m, std::string *error);

// Matches one line of the table against an address; exposed for tests.
// 1 match, 0 no match, -1 a malformed line (*error says why).
int match_table_line(const std::string &line, const Address &a, std::string *model,
                     std::string *error);

}  // namespace zevacomm
