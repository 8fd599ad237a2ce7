// The ticket gate, the slot gate and the auto-reset event under contention.
#include <atomic>
#include <chrono>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/auto_reset_event.h"
#include "platform/slot_gate.h"
#include "platform/ticket_gate.h"

using namespace zevahv::platform;
using namespace std::chrono_literals;

TEST(TicketGate, ExcludesAndServesEveryTaker) {
    TicketGate gate;
    int plain_counter = 0;  // not atomic: only the gate protects it
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                std::lock_guard<TicketGate> lk(gate);
                if (inside.fetch_add(1) != 0) overlap = true;
                ++plain_counter;
                inside.fetch_sub(1);
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_FALSE(overlap);
    EXPECT_EQ(plain_counter, 8 * 2000);
}

TEST(SlotGate, SharedHoldersOverlapAndExclusiveWaitsForThem) {
    SlotGate gate;
    gate.lock_shared();
    gate.lock_shared();  // a second caller on the same handle is not blocked

    std::atomic<bool> closed{false};
    std::thread closer([&] {
        std::unique_lock<SlotGate> lk(gate);
        closed = true;
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(closed) << "exclusive side entered while calls were inside";
    gate.unlock_shared();
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(closed);
    gate.unlock_shared();
    closer.join();
    EXPECT_TRUE(closed);
}

TEST(SlotGate, WaitingCloserIsNotStarvedAndTwoClosersExcludeEachOther) {
    SlotGate gate;
    gate.lock_shared();
    std::atomic<int> exclusive_inside{0};
    std::atomic<bool> overlap{false};
    std::atomic<bool> late_reader_in{false};
    auto closer = [&] {
        std::unique_lock<SlotGate> lk(gate);
        if (exclusive_inside.fetch_add(1) != 0) overlap = true;
        std::this_thread::sleep_for(5ms);
        exclusive_inside.fetch_sub(1);
    };
    std::thread c1(closer), c2(closer);
    while (gate.closers_waiting() < 2) std::this_thread::yield();
    // A caller arriving after the closers must wait for them.
    std::thread late([&] {
        std::shared_lock<SlotGate> lk(gate);
        late_reader_in = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(late_reader_in);
    gate.unlock_shared();
    c1.join();
    c2.join();
    late.join();
    EXPECT_FALSE(overlap);
    EXPECT_TRUE(late_reader_in);
}

// Callers and closers hammering one gate, as calls racing closes of one
// handle do: a closer is alone inside, no caller is inside with it, and the
// data the closer writes is seen whole by the callers after it (run under
// ThreadSanitizer by scripts/tsan, which also checks the memory order).
TEST(SlotGate, CallersAndClosersNeverOverlapUnderContention) {
    SlotGate gate;
    std::atomic<int> callers_inside{0}, closers_inside{0};
    std::atomic<bool> overlap{false};
    int generation = 0;  // written by closers only, read by callers: not atomic
    int seen_max = 0;
    std::atomic<bool> run{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            int last = 0;
            while (run) {
                std::shared_lock<SlotGate> lk(gate);
                callers_inside.fetch_add(1);
                if (closers_inside.load() != 0) overlap = true;
                if (generation < last) overlap = true;  // never goes back
                last = generation;
                callers_inside.fetch_sub(1);
            }
        });
    }
    std::vector<std::thread> closers;
    for (int t = 0; t < 2; ++t) {
        closers.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                std::unique_lock<SlotGate> lk(gate);
                if (closers_inside.fetch_add(1) != 0 || callers_inside.load() != 0) overlap = true;
                ++generation;
                seen_max = generation;
                closers_inside.fetch_sub(1);
            }
        });
    }
    for (auto &t : closers) t.join();
    run = false;
    for (auto &t : threads) t.join();
    EXPECT_FALSE(overlap);
    EXPECT_EQ(seen_max, 600);
    EXPECT_EQ(gate.closers_waiting(), 0);
}

TEST(AutoResetEvent, OneSetReleasesOneWaitAndIsKeptUntilThen) {
    AutoResetEvent ev;
    EXPECT_FALSE(ev.wait_for(0));
    ev.set();
    ev.set();                       // not counted: still one signal
    EXPECT_TRUE(ev.wait_for(0));    // kept until a wait consumed it
    EXPECT_FALSE(ev.wait_for(20));  // and gone after that

    std::atomic<int> woken{0};
    std::thread a([&] { ev.wait(); woken++; });
    std::thread b([&] { if (ev.wait_for(5000)) woken++; });
    ev.set();
    // Exactly one of the two passes until the second set.
    while (woken.load() == 0) std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(woken.load(), 1);
    ev.set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(AutoResetEvent, ResetDropsAPendingSignal) {
    AutoResetEvent ev;
    ev.set();
    ev.reset();
    EXPECT_FALSE(ev.wait_for(10));
}
