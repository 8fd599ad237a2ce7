// What the frame knows about a family: one traits row per family code,
// kept beside the family's operations table (frame/family_table.cpp).  The
// frame asks the row (lock name, links, argument prefix, gates, events,
// fixed answers, slot limit) and never switches on family numbers.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "ZEVAHVLink.h"
#include "frame/backend.h"

namespace zevahv {

// The operations of a family, for gates and fixed answers.
enum class Op : unsigned char {
    Close, GetError,
    GetCrateMap, TestBdPresence, GetSysPropList, GetSysPropInfo, GetSysProp, SetSysProp,
    GetExecCommList, ExecComm, GetBdParamInfo, GetBdParamProp, GetBdParam, SetBdParam,
    GetChParamInfo, GetChParamProp, GetChParam, SetChParam, GetChName, SetChName,
    Subscribe, UnSubscribe,
    Count_
};
inline constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count_);

// A set of operations.
struct OpSet {
    std::uint32_t bits = 0;
    constexpr bool has(Op op) const { return (bits >> static_cast<unsigned>(op)) & 1u; }
    static constexpr OpSet of(std::initializer_list<Op> ops) {
        OpSet s;
        for (Op op : ops) s.bits |= 1u << static_cast<unsigned>(op);
        return s;
    }
    static constexpr OpSet all() { return {(1u << kOpCount) - 1u}; }
};
static_assert(kOpCount <= 32, "OpSet holds one bit per operation");

// A set of link type codes (ZEVAHV_LINK_*).
struct LinkSet {
    std::uint32_t bits = 0;
    constexpr bool has(int link) const {
        return link >= 0 && link < 32 && ((bits >> link) & 1u);
    }
    static constexpr LinkSet of(std::initializer_list<int> links) {
        LinkSet s;
        for (int l : links) s.bits |= 1u << l;
        return s;
    }
};

// The answer of a family that has no operation for op: a result code, or
// (empty_list) success with a count of 0 and a null list.
struct FixedAnswer {
    int code = ZEVAHV_ERR_NOTPRES;
    bool empty_list = false;
};
inline constexpr FixedAnswer kNotOffered{ZEVAHV_ERR_NOTPRES, false};
inline constexpr FixedAnswer kEmptyList{ZEVAHV_OK, true};
constexpr FixedAnswer answer(int code) { return {code, false}; }

// One fixed answer per operation; "not offered" (6) where nothing is said.
struct FixedAnswers {
    static constexpr std::array<FixedAnswer, kOpCount> none_offered() {
        std::array<FixedAnswer, kOpCount> a;
        for (FixedAnswer &x : a) x = kNotOffered;
        return a;
    }
    std::array<FixedAnswer, kOpCount> of = none_offered();
    constexpr const FixedAnswer &operator[](Op op) const {
        return of[static_cast<std::size_t>(op)];
    }
};
constexpr FixedAnswers fixed_answers(std::initializer_list<std::pair<Op, FixedAnswer>> list,
                                     FixedAnswers base = {}) {
    for (const auto &[op, a] : list) base.of[static_cast<std::size_t>(op)] = a;
    return base;
}

// How a family's events reach the client.
enum class EventSource : unsigned char {
    None,              // the family delivers no events
    LocalPolling,      // a polling thread of the library connects from
                       // 127.0.0.1 and sends event frames (polling/)
    PeerFrames,        // the device connects from its own address;
                       // ZEVAHV_GetEventData calls ops.read_event_frame
    LegacyPeerFrames,  // the same, read by ZEVAHVGetEventData through
                       // ops.read_legacy_event_frame
};

struct FamilyTraits {
    const char *name = "";              // "Q3815", for messages and tests
    // printf format of the lock name with the slot index: "ZEVA_Q3815_HVL_%03d".
    const char *lock_name_format = "";
    // A further system type code that folds into this family code
    // (ZEVAHV_SYS_KR2220 into ZEVAHV_SYS_KR2210); -1 none.
    int alias_type = -1;
    // The family also serves every system type code that no family claims
    // (one family at most: the self-describing modules, which need no table
    // of their own to be served).
    bool other_types = false;
    LinkSet links{};                    // link types the family can be opened on
    // Put before the caller's address in OpenRequest::arg ("KR2440:").
    const char *arg_prefix = "";
    EventSource events = EventSource::None;
    // Operations ordered first come first served by the system's connection
    // ticket gate (one request/reply stream per connection).  Op::Close:
    // close runs inside it; Op::GetError: reading the error text does.
    OpSet gated{};
    bool close_result = false;          // DeinitSystem returns close's result
    bool error_text = false;            // GetError gives ops.get_error's text
    // Systems of this family that may be open at once: the size of the
    // family's own table of records (module slots, connection records).
    // The backend refuses an open beyond it (-1, 4100).
    int max_systems = 32;
    FixedAnswers fixed{};               // answers of operations it lacks
};

// One family code with its traits row and its operations table (null while
// the family has no backend: its opens fail with 4100).
struct FamilyEntry {
    int code;
    FamilyTraits traits;
    const FamilyOps *ops;
};

// Family codes run 0..15.
inline constexpr int kFamilyCodeCount = 16;

// The family code of a system type code (the code itself, or the family
// whose alias_type it is, or else the family that takes other_types); -1
// when none.
int family_of_system_type(int system_type);

// The traits row and the operations table of a family code; null when no
// family has that code (ops: also when the family has no backend yet).
const FamilyTraits *family_traits(int family);
const FamilyOps *family_ops(int family);

// Puts another operations table (and, when traits is not null, another
// traits row) behind a family code; null ops removes the backend.  Systems
// opened before keep what they were opened with.  For tests.
void register_family(int family, const FamilyOps *ops, const FamilyTraits *traits = nullptr);

}  // namespace zevahv
