#pragma once
// What a crate is made of, as a crate file describes it: the model and
// generation, the slots, the kinds of boards with their parameter
// descriptors, the boards in their slots, the login users and the start
// values of the system properties. Loaded from JSON (see --help for the
// format); a built-in crate serves when no file is given.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mainframe/descriptor.h"
#include "mainframe/request.h"

namespace sim::mf {

constexpr int kMaxSlots = 16;        // board identifiers keep the slot below 16
constexpr int kMaxChannels = 128;
constexpr size_t kMaxParamsPerChannel = 255; // an item index is one byte
constexpr size_t kMaxModelText = 15;
constexpr size_t kMaxDescriptionText = 63;

using ParamList = std::vector<ParamDesc>;

struct BoardKind {
    std::string model;
    std::string description;
    int channels = 0;
    double load_mohm = 100; // resistive load on every output
    ParamList board_params;
    // One list per channel; channels of one group share theirs.
    std::vector<std::shared_ptr<const ParamList>> channel_params;
};

struct BoardSpec {
    int slot = 0;
    std::string kind;
    unsigned serial = 0;
    unsigned fw_major = 1, fw_minor = 0;
};

struct User {
    std::string name;
    std::string password;
    bool may_write = true;
};

struct CrateSpec {
    std::string model = "KR2440";
    Generation generation = Generation::Current;
    std::string symbolic_name;
    int slots = 0;
    std::vector<User> users;
    std::map<std::string, BoardKind> kinds;
    std::vector<BoardSpec> boards;
    // Start values of system properties by name, as control-channel texts.
    std::vector<std::pair<std::string, std::string>> system;
};

// Parses a crate description; on failure nothing, with a message naming
// the place ("kinds.ZB3012P.channels: ...").
std::optional<CrateSpec> load_crate_json(std::string_view text, std::string& error);
std::optional<CrateSpec> load_crate_file(const std::string& path, std::string& error);

// The built-in crates: "default" (four board kinds, six slots, two of them
// empty) and "full" (sixteen 48-channel boards), as JSON texts.
std::string builtin_crate_json(std::string_view name);
bool is_builtin_crate(std::string_view name);

// "KR2210" and "KR2220" are the legacy generation; anything else current.
Generation generation_of_model(std::string_view model);

} // namespace sim::mf
