// What a self-describing LUMENHV module tells at open, as its replies may
// come: the list of its parameters (PARLIST, PARCHLIST) and the description
// of one (INFO), read through the LUMENHV dialect and taken apart; and a
// description made into a row.  Every name kept must lie in the reply and
// fit the word field, every row must be one the engine can carry.
//
// Input: one byte (bit 0: a description, else a list; bit 1: the text is a
// whole reply line, else the value alone), then the text.  For a
// description, the text up to a NUL is the listed name.
#include <cmath>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "modules/dialects/dialect.h"
#include "modules/lumenhv/description.h"

using namespace zevahv::modules;

namespace {

bool terminated(const char *field, std::size_t size) { return strnlen(field, size) < size; }

void check_list(std::string_view text) {
    for (std::string_view name : lumenhv::parse_name_list(text)) {
        FUZZ_CHECK(!name.empty());
        FUZZ_CHECK(name.size() <= lumenhv::kListedNameMax);
        FUZZ_CHECK(name.find(';') == std::string_view::npos);
        FUZZ_CHECK(inside(name, text));
    }
}

void check_description(std::string_view name, std::string_view text) {
    lumenhv::Description d;
    if (!lumenhv::parse_description(text, &d)) return;
    FUZZ_CHECK(std::isfinite(d.min) && std::isfinite(d.max));
    FUZZ_CHECK(d.unit >= 0 && d.unit <= 11);
    Row row;
    if (!lumenhv::row_from_description(name, d, &row)) return;
    FUZZ_CHECK(lumenhv::sendable_name(name));
    FUZZ_CHECK(terminated(row.name, sizeof row.name) && row.name[0] != '\0');
    FUZZ_CHECK(std::string_view(row.mnemonic) == name);
    FUZZ_CHECK(std::string_view(name).substr(0, kRowNameSize - 1) == row.name);
    for (const char *t : {row.on, row.off, row.proto_on, row.proto_off})
        FUZZ_CHECK(terminated(t, kRowTextSize));
    FUZZ_CHECK(row_type(row) <= kCommand && row_mode(row) <= kReadWrite);
    FUZZ_CHECK(std::isfinite(row.min) && std::isfinite(row.max) && row.min <= row.max);
    FUZZ_CHECK(row.idigits >= 1 && row.idigits <= 16 && row.ddigits <= 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    InputCursor in{data, size};
    const std::uint8_t how = in.take();
    std::string_view rest = in.rest();
    std::string_view name = "VSet";
    if (how & 1) {
        const std::size_t nul = rest.find('\0');
        if (nul != std::string_view::npos) {
            name = rest.substr(0, nul);
            rest = rest.substr(nul + 1);
        }
    }
    std::string value(rest);
    if (how & 2) {
        value.clear();
        if (dialects::kLumen.parse_value(-1, "PARLIST", rest, &value) != 0) return 0;
    }
    if (how & 1)
        check_description(name, value);
    else
        check_list(value);
    return 0;
}
