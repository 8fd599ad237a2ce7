// The values of system properties: what the client gets from a get
// command's reply data, and the argument a set command carries.  Pure
// functions; the property's number says the form.
#pragma once

#include <string>

#include "mainframe/generation.h"
#include "mainframe/wire.h"

namespace zevahv::mainframe {

// Longest text a property value is written as (NUL included): the client's
// buffer is never written further than this.
constexpr std::size_t kPropertyTextSize = 1024;

// What a property's reply data turn into.
struct PropertyValue {
    enum Form { Text, Short, Unsigned } form = Text;
    std::string text;
    std::int16_t s = 0;
    std::uint32_t u = 0;
};

// Decodes the reply data of the property's get command.  False when the
// data are shorter than the form needs.
bool decode_property(const Generation &g, const SysProp &p, Bytes data, PropertyValue *out);

// Writes a decoded value into the client's result (a text is cut to
// kPropertyTextSize - 1 characters and terminated).
void store_property(const PropertyValue &v, void *result);

// Appends the set command's argument made from the client's value; false
// when the property takes none.
bool append_property_argument(const Generation &g, const SysProp &p, const void *value,
                              Request &req);

}  // namespace zevahv::mainframe
