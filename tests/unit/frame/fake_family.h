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

#include "frame/backend.h"

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
// Everything that the tests look at; polls_locally set.
extern const zevahv::FamilyOps kFullOps;
// kFullOps without local polling (a mainframe-like family).
extern const zevahv::FamilyOps kRemoteOps;

class FakeFamilies {
public:
    FakeFamilies(std::initializer_list<int> families, const zevahv::FamilyOps *ops);
    ~FakeFamilies();
    void add(int family, const zevahv::FamilyOps *ops);

private:
    std::vector<std::pair<int, const zevahv::FamilyOps *>> saved_;
};

void close_all_handles();
