// The W40XX descriptor area as a board may fill it: the first 1024 bytes
// are the area, the bytes after it the mask entries (4 bytes each, low half
// first).  Every row that comes out must be safe to look up, list, convert
// and write, whatever the board sent.
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "regaccess/row.h"
#include "regaccess/w40xx/descriptors.h"

using namespace zevahv::regaccess;
using namespace zevahv::regaccess::w40xx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::size_t area_size = std::min(size, kAreaSize);
    const auto rows = parse_descriptor_area({data, area_size});
    FUZZ_CHECK(rows.size() <= kMaxDescriptors);

    std::set<std::string> names;
    std::size_t last_index = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i].row;
        // A name fits its 10-byte field with its NUL, is printable and unique.
        FUZZ_CHECK(!r.name.empty() && r.name.size() <= 9);
        for (char c : r.name) FUZZ_CHECK(c > ' ' && c <= '~');
        FUZZ_CHECK(names.insert(r.name).second);
        FUZZ_CHECK(i == 0 || rows[i].index > last_index);
        last_index = rows[i].index;
        FUZZ_CHECK(rows[i].index < kMaxDescriptors);
        FUZZ_CHECK(r.type <= 7 && r.mode <= 2);
        FUZZ_CHECK(std::isfinite(r.min) && std::isfinite(r.max));
        FUZZ_CHECK(r.decimals <= 4);
        FUZZ_CHECK(r.on_text.size() < 20 && r.off_text.size() < 20);

        // Conversions of any raw content and any value never trap.
        std::uint32_t raw = 0;
        if (data != nullptr && size >= 4) std::memcpy(&raw, data + size - 4, 4);
        (void)client_value(r, raw);
        float shown = 0;
        std::uint32_t back = 0;
        if (raw_from_number(r, static_cast<double>(static_cast<std::int32_t>(raw)) / 7.0, &back, &shown))
            FUZZ_CHECK(r.wide || back <= 0xFFFF);
    }

    for (std::size_t at = kAreaSize; at + 4 <= size; at += 4) {
        std::uint32_t mask = 0;
        std::memcpy(&mask, data + at, 4);
        for (bool board : {true, false}) {
            for (int k : applicable_rows(mask, rows, board)) {
                FUZZ_CHECK(k >= 0 && static_cast<std::size_t>(k) < rows.size());
                FUZZ_CHECK((mask >> rows[static_cast<std::size_t>(k)].index) & 1u);
                if (board && !rows[static_cast<std::size_t>(k)].row.command)
                    FUZZ_CHECK(rows[static_cast<std::size_t>(k)].row.offset >= 0);
            }
        }
    }
    return 0;
}
