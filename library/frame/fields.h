// Texts taken apart: fields between separators, and decimal numbers read
// from them.  Every list and number that reaches the library as text (name
// lists, item lists, connection arguments, module replies, all-channels
// values) goes through these, bounds-checked, never trusting a terminator.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace zevahv {

// Splits text at sep into its fields, empty ones included: "a::b" has three
// fields, "" has one (empty).  At most max_fields are returned; the rest of
// the text is dropped.
std::vector<std::string_view> split_fields(std::string_view text, char sep,
                                           std::size_t max_fields = static_cast<std::size_t>(-1));

// A plain decimal conversion, as C's atoi reads: blanks, an optional sign,
// the leading digits; text that is not a number counts as 0, values beyond
// an int are clamped.
int leading_decimal(std::string_view text);

// A number of decimal digits only (no sign, no blanks), 1 to max_digits of
// them (at most 9).
bool parse_digits(std::string_view text, std::size_t max_digits, unsigned *out);

// The whole text, blanks around it and a line end after it aside, as an
// integer, or as a finite number with '.' as its point whatever the process
// locale; a leading '+' is allowed.
bool parse_int(std::string_view text, long *out);
bool parse_float(std::string_view text, float *out);
bool parse_double(std::string_view text, double *out);

}  // namespace zevahv
