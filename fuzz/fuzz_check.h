// What every fuzz target shares: a check that turns a broken invariant into
// a crash the fuzzer records (with the input that caused it), and a view of
// the input as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                         #cond);                                                  \
            std::abort();                                                         \
        }                                                                         \
    } while (0)

inline std::string_view as_text(const std::uint8_t *data, std::size_t size) {
    return {reinterpret_cast<const char *>(data), size};
}

// True when part lies inside whole (a view that a parser cut out of it).
inline bool inside(std::string_view part, std::string_view whole) {
    if (part.empty()) return true;
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// One byte of the input taken as a parameter (0 when there is none left).
struct InputCursor {
    const std::uint8_t *data;
    std::size_t size;
    std::uint8_t take() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    std::string_view rest() const { return as_text(data, size); }
};
