// A parameter of a register-access device: where its value lives and how
// the raw register content turns into what a client sees.  W40XX boards
// build their rows at open from the descriptors they carry; RD40XX units
// copy a fixed table and complete it with what the unit reports.
#pragma once

#include <cstdint>
#include <string>

namespace zevahv::regaccess {

// What a row means beyond its register (rows the generic rules do not cover).
enum class Special : unsigned char {
    None,
    Release,     // board firmware word: high byte + low byte / 100
    RangeLow,    // current monitor shown only in the low range (else 0)
    RangeHigh,   // current monitor shown only in the high range (else 0)
    RangeSwitch, // the current-monitor range: 1 = low
};

struct Row {
    std::string name;            // at most 9 characters
    unsigned type = 0;           // parameter type code (ZEVAHV_PARAM_TYPE_*)
    unsigned mode = 0;           // ZEVAHV_PARAM_MODE_*
    bool command = false;        // runs by a write of 1 to the command area
    bool wide = false;           // 32 bits: the high half in the next register
    bool is_signed = false;
    int offset = 0;              // W40XX: register offset r; RD40XX: the register
    int bit = -1;                // >= 0: the value is this bit of the register
    double scale = 1;            // raw = shown x scale; 0 means raw is shown
    unsigned short unit = 0;
    short exp = 0;
    unsigned short decimals = 0;
    float min = 0;
    float max = 0;
    std::string on_text;
    std::string off_text;
    Special special = Special::None;
};

inline bool row_readable(const Row &r) { return !r.command && r.mode != 1; }
inline bool row_writable(const Row &r) { return !r.command && r.mode == 2; }

// What a client receives for a raw register content (1 or 2 registers):
// numeric rows a float, the others a 4-byte unsigned.  The four bytes go to
// the client's element as they are.
std::uint32_t client_value(const Row &row, std::uint32_t raw);

// The raw register content for a client's numeric value: rounded to the
// nearest count (halves away from zero).  False when it does not fit the
// register (negative on an unsigned row, beyond 16 or 32 bits).  *shown
// receives the value the raw content stands for.
bool raw_from_number(const Row &row, double value, std::uint32_t *raw, float *shown);

// Number of decimal digits of a scale: 1 gives 0, 10 gives 1, 100 gives 2
// (0 and anything below 10 give 0).
unsigned short scale_decimals(double scale);

}  // namespace zevahv::regaccess
