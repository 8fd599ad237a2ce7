// Failures on request, for fault tests of the programs that use the
// library.  Rules come from two places:
//
//   ZEVACOMM_FAULTS   rules separated by ';' or new lines, read when the
//                     stand-in is loaded
//   ZEVACOMM_CONTROL  a file of rules, read again whenever it changes (its
//                     inode, size or modification time), so a test or a
//                     user can switch faults on and off while devices are
//                     open; replace it with a rename for an atomic change
//
// A rule is a call word and key=value options:
//
//   open | read16 | read32 | write16 | write32 | multiread | close | any
//     addr=<a>    only this register (open: this base address; multiread:
//                 a list holding it)
//     times=<n>   only the next n matching calls
//     rc=<n>      the result to return (default -6)
//   multiread only:
//     short=<n>   succeed but answer only the first n addresses
//     flag=<a>    succeed but flag this address as failed
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace zevacomm {

enum class Call { Open, Read16, Read32, Write16, Write32, MultiRead, Close, Any };

struct FaultRule {
    Call call = Call::Any;
    std::optional<unsigned> addr;
    int times = -1;                 // matches left; -1 for ever
    int rc = -6;
    int short_count = -1;           // multiread: values answered
    std::optional<unsigned> flag;   // multiread: address answered as failed
};

bool parse_fault_rules(std::string_view text, std::vector<FaultRule> *rules,
                       std::string *error);

struct MultiFault {
    int rc = 0;                     // non-zero: the whole call fails
    int answered = -1;              // >= 0: only this many addresses answered
    std::vector<unsigned> flagged;  // addresses answered as failed
};

class Faults {
public:
    static Faults &instance();

    // False while no rule can apply: the calls then skip every check.
    bool active() const { return active_.load(std::memory_order_relaxed); }
    // The result a rule forces on a call (0: none).
    int check(Call call, unsigned addr);
    MultiFault check_multi(const unsigned *addrs, int count);

private:
    Faults();
    void refresh();  // re-reads the control file when it changed (mutex held)
    bool take(FaultRule &r);

    std::atomic<bool> active_{false};
    std::mutex mutex_;
    std::vector<FaultRule> env_rules_;
    std::vector<FaultRule> file_rules_;
    std::string control_path_;
    struct Stamp {
        ino_t ino = 0;
        off_t size = -1;
        long long mtime_ns = -1;
        bool operator==(const Stamp &) const = default;
    } stamp_;
};

}  // namespace zevacomm
