// Model variants of a parameter table.  Some models of a family differ from
// the standard model only in the texts of an enumeration (a shaping time
// printed differently, a multiplexer output named otherwise).  The family
// keeps its one standard table and derives each variant from it at compile
// time, so a variant can never drift from the table it belongs to.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>

#include "modules/row.h"

namespace zevahv::modules {

// The rows with the enumeration texts of the row named `name` replaced by
// `texts` (index 0 upward; the fields after the last text are cleared).
// A name that is not in the table, more than kEnumCount texts or a text that
// does not fit its field stop the build.
template <std::size_t N>
constexpr std::array<Row, N> with_enum_texts(std::array<Row, N> rows, std::string_view name,
                                             std::initializer_list<std::string_view> texts) {
    if (texts.size() > kEnumCount) throw "too many enumeration texts";
    for (Row &r : rows) {
        if (std::string_view(r.name) != name) continue;
        std::size_t i = 0;
        for (std::string_view t : texts) {
            if (t.size() >= kEnumTextSize) throw "enumeration text too long";
            for (std::size_t k = 0; k < kEnumTextSize; ++k)
                r.enums[i][k] = k < t.size() ? t[k] : '\0';
            ++i;
        }
        for (; i < kEnumCount; ++i)
            for (std::size_t k = 0; k < kEnumTextSize; ++k) r.enums[i][k] = '\0';
        return rows;
    }
    throw "no row of that name";
}

// The rows without the row named `name` (the rows after it move up by
// one), for a model that lacks that parameter.  A name that is not in the
// table stops the build.
template <std::size_t N>
constexpr std::array<Row, N - 1> without_row(const std::array<Row, N> &rows,
                                             std::string_view name) {
    std::array<Row, N - 1> out{};
    std::size_t k = 0;
    for (const Row &r : rows) {
        if (std::string_view(r.name) == name) continue;
        if (k == N - 1) throw "no row of that name";
        out[k++] = r;
    }
    if (k != N - 1) throw "the name is in the table more than once";
    return out;
}

}  // namespace zevahv::modules
