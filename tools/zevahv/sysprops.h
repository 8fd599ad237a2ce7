#pragma once
// System property values: read in the form the property's type gives, shown
// as text and JSON, and a typed word turned back into that form.

#include "json.h"

#include <string>
#include <vector>

#include "catalog.h"
#include "event_stream.h"
#include "values.h"

namespace zcli {

class System;

// Throws Failure(kExitLibrary) when the library refuses.
Shown read_sysprop(const System& sys, const SysProp& p);
void write_sysprop(const System& sys, const SysProp& p, const std::string& word);

// Pure: the value the get call left in `buffer` (NUL-terminated text or a
// number), and the bytes for the set call; for tests.
Shown show_sysprop(unsigned type, const std::vector<char>& buffer);
std::vector<unsigned char> encode_sysprop(const SysProp& p, const std::string& word);

// A system property's value as an event delivers it, also pure.  A crate
// sends a text or a number whatever the property's type says (a clock
// setting read as "1:0" arrives as the number 256).  The legacy reader
// says which it was; the current one does not, so there a value that
// reads as printable text is taken for one, anything else for a number.
Shown show_sysprop_event(unsigned type, const Event& e);

std::string sysprop_type_word(unsigned type);

}  // namespace zcli
