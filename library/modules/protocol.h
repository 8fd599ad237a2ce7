// The module command language: building command lines, printing values,
// checking and parsing reply lines, classifying refusals.  Pure functions
// over text; nothing here touches a link.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "modules/family.h"

namespace zevahv::modules::protocol {

// Command and reply lines are at most this long, line end included.
inline constexpr std::size_t kLineSize = 1024;

enum class Verb { Monitor, Set, Info };

// Builds one command line with its "\r\n".  channel < 0 leaves the channel
// piece out; value null leaves the value piece out.  board < 0 means "no
// address" (only the Lumen form uses it).  False when the line would not
// fit in kLineSize - 1 bytes or the form has no such command.
bool build_command(CommandForm form, int board, Verb verb, std::string_view mnemonic,
                   int channel, const char *value, std::string *out);

// The KQPS line language: "X:?", "X:<float with 6 decimals>", "X:<int>", "X".
bool build_kqps_read(std::string_view mnemonic, std::string *out);
bool build_kqps_write(std::string_view mnemonic, const char *value, std::string *out);
bool build_kqps_exec(std::string_view mnemonic, std::string *out);

// printf's "%0<width>.<decimals>f", but always with a point whatever the
// process locale.  False for NaN or infinity, or when cap is too small.
bool format_fixed(double value, int width, int decimals, char *out, std::size_t cap);
// printf's "%0<width>d".
bool format_int(long value, int width, char *out, std::size_t cap);

// The refusal class of a reply that holds no "OK": the first word found of
// "CMD" 1, "CH" 2, "PAR" 3, "VAL" 4, "LOC" 5; -1 when none is there.
int classify_refusal(std::string_view reply);

// Checks a monitor reply and extracts its value text.  Returns 0, a refusal
// class (1..5) or -1 for a reply that does not follow the grammar, comes
// from another board address or has no line end.
int parse_monitor_reply(CommandForm form, int board, std::string_view reply,
                        std::string *value);
// Checks the reply to a set: 0 when it holds "OK" (and, where the reply says
// which board answered, it is ours), else a refusal class or -1.
int check_set_reply(CommandForm form, int board, std::string_view reply);

// KQPS replies: "#X:value" to a read of X (matched on X up to its first
// ':'), "#AK" to a write or command.
int parse_kqps_reply(std::string_view mnemonic, std::string_view reply, std::string *value);
int check_kqps_ack(std::string_view reply);

// Value texts from a module.  The whole text (blanks around it aside) must
// be the number; '.' is the decimal point whatever the locale.
bool parse_float(std::string_view text, float *out);
bool parse_int(std::string_view text, long *out);

// A firmware release as modules report it: "major.minor" (BDFREL) or
// "major.minor.patch" (the KQPS VER word).  Each part is read as a plain
// decimal (text that is not a number counts as 0) and held to 0..255, the
// byte the crate map carries.  False when the text has fewer than `points`
// points.
struct Release {
    int major = 0;
    int minor = 0;
    int patch = 0;
};
bool parse_release(std::string_view text, int points, Release *out);

// Splits an all-channels value at ';' into at most max_parts texts.
std::vector<std::string_view> split_values(std::string_view text, std::size_t max_parts);

// Library results of the error numbers of an exchange.
constexpr int read_result(int err) { return err == 0 ? 0 : 3; }
constexpr int write_result(int err) { return err == 0 ? 0 : 2; }

}  // namespace zevahv::modules::protocol
