#pragma once
// Number texts of the wire, always with a decimal point whatever the locale.

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// "%0<w>.<d>f" with w = int_digits + (d ? d + 1 : 0): VMON 100.2 with 4 and 1
// gives "0100.2"; a fine gain of 7 with 3 and 0 gives "007".
std::string format_fixed(double v, int int_digits, int decimals);
std::string format_status(unsigned v); // "%05u"

// A plain decimal number: optional sign, digits, optional point and digits.
// No exponent, no comma, no blanks, at most 32 characters.
std::optional<double> parse_decimal(std::string_view s);
// The same, but the number must be whole ("12", not "12.5"; "12.0" is whole).
std::optional<long> parse_whole(std::string_view s);

// Rounds half away from zero to the given number of decimals.
double round_to(double v, int decimals);

} // namespace sim
