// How a text-protocol module family plugs into the one module engine.
//
// A family folder holds a constant FamilyDesc (its tables, its numbers and
// the hooks where it differs) and turns it into the frame's operations table
// with make_family_ops().  Everything else (argument parsing, links, command
// building, reply parsing, row lookup, get/set, properties, names, exec
// commands, subscriptions and the polling thread) is the engine's.
//
//   // library/modules/zbk/zbk.cpp
//   #include "modules/family.h"
//   namespace zevahv::modules {
//   namespace {
//   constexpr Row kChannelRows[] = {
//       {.name = "V5", .mnemonic = "V5", .type_mode = type_mode(kNumeric, kRead),
//        .decimals = 2, .unit = ZEVAHV_PARAM_UN_VOLT},
//       ...
//   };
//   constexpr FamilyDesc kZbk = {
//       .name = "ZBK", .tcp_port = 23, .arg_form = ArgForm::PortSettings,
//       .tcp_settle_ms = 1000, .dialect = &dialects::kUnaddressed,
//       .number_format = NumberFormat::Fixed2, .channel_rows = kChannelRows,
//       .ident = {.serial = nullptr}, .power_rule = PowerRule::Bit0,
//       .row_settle_ms = 100, .board_presence = true,
//       .hooks = {.fetch_limits = read_resolution},
//   };
//   }  // namespace
//   }  // namespace zevahv::modules
//   namespace zevahv {
//   extern const FamilyOps zbk_ops = modules::make_family_ops<modules::kZbk>();
//   }
//
// and its operations table named in its row of library/frame/family_table.cpp.
//
// Each family gets its own table of module slots (as many as its traits
// row's max_systems), so two families never share a slot, a link or a lock.
#pragma once

#include <cstddef>
#include <span>

#include "frame/family.h"
#include "modules/dialects/dialect.h"
#include "modules/row.h"

namespace zevahv::modules {

struct Module;  // one open module slot (modules/module.h)

// How a numeric set value is printed (always with a point).
enum class NumberFormat : unsigned char {
    Digits,  // "%0<I+D>.<D>f" with the row's idigits and ddigits
    Width,   // "%0<W>.0f" with the row's set_width
    Fixed2,  // "%05.2f"
    Plain6,  // "%f": six decimals, no padding
};

// Fields of the connection argument after the port.
enum class ArgForm : unsigned char {
    PortSettingsBoard,  // serial port_baud_data_stop_parity_board, TCP ip_board
    PortSettings,       // serial port_baud_data_stop_parity, TCP ip
    ComNumberSettings,  // serial comnumber_baud_data_stop_parity_x, TCP ip
};

// How the power state is derived from the status word s.
enum class PowerRule : unsigned char {
    Bit0UnlessBit2,  // bit 0 of s, but 0 when bit 2 (trip/kill) is set
    Bit0,            // bit 0 of s
};

// The board-level words that identify a module at open, monitored in this
// order by the standard identification (standard_identify, modules/module.h).
struct IdentWords {
    const char *model = "BDNAME";     // the model text
    const char *channels = "BDNCH";   // the channel count (not sent when the
                                      // family's channel count is fixed)
    const char *release = "BDFREL";   // the firmware release, "major.minor"
    int release_points = 1;           // points the release must have
    const char *serial = "BDSNUM";    // the serial number; null: not asked
};

// What a property hook returns for a property it leaves to the engine.
inline constexpr int kStandardProperty = -1;

// Hooks: every one is optional.  identify, channel_table, fetch_limits,
// after_rows and build_rows run on the opener's thread while the slot is
// being opened (no lock held); a non-zero result fails the open.  The others
// run on whatever thread makes the call.
struct FamilyHooks {
    // Replaces the standard identification; may call standard_identify()
    // and then read more.
    int (*identify)(Module &m) = nullptr;
    // Chooses the channel table after identification (table variants by
    // model); null keeps FamilyDesc::channel_rows.
    std::span<const Row> (*channel_table)(const Module &m) = nullptr;
    // Completes one copied channel row from the module (limits, decimals);
    // called in table order, channel 0 of the module.
    int (*fetch_limits)(Module &m, Row &row) = nullptr;
    // Called once after all rows are in place (e.g. enumeration texts that
    // depend on the model).
    int (*after_rows)(Module &m) = nullptr;
    // Replaces the whole row building (self-describing modules): must fill
    // m.rows, m.board_row_count and m.channel_rows.
    int (*build_rows)(Module &m) = nullptr;
    // Replaces the numeric value format of a set; writes the VAL text.
    // Returns false when the value cannot be printed.
    bool (*format_value)(const Module &m, const Row &row, float value,
                         char *out, std::size_t cap) = nullptr;
    // Replaces the identification text sent on a new event connection.
    void (*event_ident)(const Module &m, char *out, std::size_t cap) = nullptr;
    // Answers a parameter property at call time (a family that reads limits
    // from the module when asked, or answers fewer or other properties):
    // row is the index in m.rows, channel -1 for a board parameter.  Returns
    // a result code, or kStandardProperty to let the engine answer from the
    // row.
    int (*property)(Module &m, int row, int channel, std::string_view prop,
                    void *value) = nullptr;
};

struct FamilyDesc {
    const char *name = "";              // family name, for messages
    unsigned short tcp_port = 1470;     // replaced by a ":port" suffix
    bool serial_allowed = true;
    bool tcp_allowed = true;
    ArgForm arg_form = ArgForm::PortSettingsBoard;
    int default_board = 0;              // -1: no board address (Lumen form)
    int tcp_settle_ms = 0;              // pause after a new TCP connect
    const Dialect *dialect = &dialects::kAddressed;  // modules/dialects/
    NumberFormat number_format = NumberFormat::Digits;
    // On/off and enumeration values travel as numbers ("%d", read as
    // integers) instead of the row's protocol on/off texts.
    bool states_as_numbers = false;
    int max_rows = 20;                  // board and channel rows together
    int max_channels = 8;               // at most kMaxChannels
    std::span<const Row> board_rows{};
    std::span<const Row> channel_rows{};
    IdentWords ident{};                 // words of the standard identification
    const char *model_word = nullptr;   // the model text must contain it (null: any)
    int fixed_channels = 0;             // > 0: the channel count is not asked
    const char *channel_name_format = "CH0%d";
    const char *status_mnemonic = "STAT";    // read for rows of Role::Power
    PowerRule power_rule = PowerRule::Bit0UnlessBit2;
    int row_settle_ms = 0;              // pause after each channel row at open
    // The family answers ZEVAHV_TestBdPresence (board 0: the identity read
    // at open, with a fresh read of the release word).
    bool board_presence = false;
    FamilyHooks hooks{};
};

// Parameter names travel in 10-byte fields of the name lists: a longer
// name ("ClearAlarm") is listed cut to 9 characters and found again under
// its cut name as well as its whole one (Module::find_row).  So the cut
// names of a family's built-in rows must differ from each other, and from
// every whole name, or a listed name could find another row.
inline constexpr std::size_t kListedNameLength = ZEVAHV_MAX_PARAM_NAME - 1;

namespace detail {
constexpr std::size_t name_length(const Row &r) {
    std::size_t n = 0;
    while (n < kRowNameSize && r.name[n] != '\0') ++n;
    return n;
}
// The first k characters of a and b are equal (and both are that long).
constexpr bool same_prefix(const Row &a, const Row &b, std::size_t k) {
    if (name_length(a) < k || name_length(b) < k) return false;
    for (std::size_t i = 0; i < k; ++i)
        if (a.name[i] != b.name[i]) return false;
    return true;
}
}  // namespace detail

constexpr bool names_fit_lists(std::span<const Row> board, std::span<const Row> channel) {
    const std::size_t total = board.size() + channel.size();
    auto at = [&](std::size_t i) -> const Row & {
        return i < board.size() ? board[i] : channel[i - board.size()];
    };
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t n = detail::name_length(at(i));
        if (n == 0 || n >= kRowNameSize) return false;
        for (std::size_t k = 0; k < i; ++k) {
            if (detail::same_prefix(at(i), at(k), kListedNameLength)) return false;
            if (detail::name_length(at(k)) == n && detail::same_prefix(at(i), at(k), n))
                return false;  // the same name twice
        }
    }
    return true;
}

inline constexpr int kMaxSlots = 48;
inline constexpr int kMaxChannels = 32;

// The engine's operations.  Each gets the context that open made: the
// module slot (modules/module.h).  Families never call these directly:
// make_family_ops() wires them up.
namespace engine {
int open(const FamilyDesc &d, const OpenRequest &req, void **ctx);
int close(void *ctx);
int get_crate_map(void *ctx, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                  char **models, char **descriptions, unsigned short **serials,
                  unsigned char **fmw_min, unsigned char **fmw_max);
int get_exec_comm_list(void *ctx, unsigned short *count, char **names);
int exec_comm(void *ctx, const char *name);
int get_bd_param_info(void *ctx, unsigned short slot, char **names);
int get_bd_param_prop(void *ctx, unsigned short slot, const char *param, const char *prop,
                      void *value);
int get_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values);
int set_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value);
int get_ch_param_info(void *ctx, unsigned short slot, unsigned short ch, char **names,
                      int *count);
int get_ch_param_prop(void *ctx, unsigned short slot, unsigned short ch, const char *param,
                      const char *prop, void *value);
int get_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values);
int set_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value);
int get_ch_name(void *ctx, unsigned short slot, unsigned short nch, const unsigned short *chs,
                char (*names)[ZEVAHV_MAX_CH_NAME]);
int test_bd_presence(void *ctx, unsigned short slot, unsigned short *nr_of_ch, char **model,
                     char **description, unsigned short *serial, unsigned char *fmw_min,
                     unsigned char *fmw_max);
int subscribe(void *ctx, unsigned short port, unsigned short count, const char *items,
              char *results);
int unsubscribe(void *ctx, unsigned short port, unsigned short count, const char *items,
                char *results);

// Every operation but open, the same for all text families.
inline constexpr FamilyOps kOperations = {
    .close = close,
    .get_crate_map = get_crate_map,
    .get_exec_comm_list = get_exec_comm_list,
    .exec_comm = exec_comm,
    .get_bd_param_info = get_bd_param_info,
    .get_bd_param_prop = get_bd_param_prop,
    .get_bd_param = get_bd_param,
    .set_bd_param = set_bd_param,
    .get_ch_param_info = get_ch_param_info,
    .get_ch_param_prop = get_ch_param_prop,
    .get_ch_param = get_ch_param,
    .set_ch_param = set_ch_param,
    .get_ch_name = get_ch_name,
    .subscribe = subscribe,
    .unsubscribe = unsubscribe,
};
}  // namespace engine

// The frame's operations table for one family.  D must be a FamilyDesc with
// static storage duration (a constexpr object at namespace scope).
template <const FamilyDesc &D>
constexpr FamilyOps make_family_ops() {
    static_assert(names_fit_lists(D.board_rows, D.channel_rows),
                  "a parameter name is empty, longer than 15 characters, or not told apart "
                  "from another in the name lists' 9 characters");
    FamilyOps ops = engine::kOperations;
    ops.open = [](const OpenRequest &r, void **ctx) { return engine::open(D, r, ctx); };
    if (D.board_presence) ops.test_bd_presence = engine::test_bd_presence;
    return ops;
}

}  // namespace zevahv::modules
