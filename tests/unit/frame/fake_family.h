// A test backend put behind family codes through the internal operations
// table.  Its state is global because operations are plain function
// pointers; FakeFamilies resets it, installs the backend and, at the end of
// the test, closes every handle and puts the previous backends back.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "frame/family.h"

struct OpenRecord {
    int system_type, family, link_type, handle;
    std::string transport, arg, lock_name;
};

struct FakeState {
    std::mutex m;
    std::vector<OpenRecord> opens;
    std::vector<int> closed_conns;
    std::string last_items;
    unsigned last_port = 0;
    unsigned last_count = 0;
    std::string error_text = "Timeout from server";

    std::atomic<int> open_result{0};
    std::atomic<int> close_result{0};
    std::atomic<int> next_conn{0};
    std::atomic<int> calls{0};
    std::atomic<int> inside{0};
    std::atomic<int> max_inside{0};
    // Runs inside every get_ch_param (to hold a call open).
    std::function<void()> in_call;
};
FakeState &fake();

// Only open and close: every other answer is the frame's fixed one.
extern const zevahv::FamilyOps kBareOps;
// Everything that the tests look at.
extern const zevahv::FamilyOps kFullOps;
// The Q3815 traits row with no events (a family that does not poll).
extern const zevahv::FamilyTraits kSilentTraits;

class FakeFamilies {
public:
    FakeFamilies(std::initializer_list<int> families, const zevahv::FamilyOps *ops);
    ~FakeFamilies();
    // Puts ops (and traits, when not null) behind the family code.
    void add(int family, const zevahv::FamilyOps *ops,
             const zevahv::FamilyTraits *traits = nullptr);

private:
    struct Saved {
        int family;
        const zevahv::FamilyOps *ops;
        const zevahv::FamilyTraits *traits;
    };
    std::vector<Saved> saved_;
};

void close_all_handles();

// Runs `threads` threads of `calls` ZEVAHV_GetChParam each on the handle,
// the fake backend yielding inside every call; returns the most calls seen
// inside the backend at once (fake().calls counts them all).
int most_inside_at_once(int handle, int threads, int calls);
