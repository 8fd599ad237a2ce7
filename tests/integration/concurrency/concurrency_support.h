#pragma once
// What the concurrency tests share: opening systems on simulators, item
// lists for subscriptions, reading event frames, and counting this
// process's descriptors and threads.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "event_record.h"
#include "process_counts.h"
#include "sim_process.h"

int open_system(int system_type, bool serial, const std::string& arg, int* handle);

// "ZEVA_<family>_HVL_<nnn>.Board00.CHAN<ccc>.<par>" for channels [0, n).
std::string channel_items(const char* lock_prefix, int handle, const char* par, int n);


// Runs every function on a thread of its own and joins them all.
void run_parallel(const std::vector<std::function<void()>>& jobs);

// One frame through ZEVAHV_GetEventData: its result and records.
int read_frame(int fd, std::vector<IDValue_t>* records);

// The board address at the end of an identification text ("..._<board>").
int ident_board(const std::string& ident);

void expect_ok(SimProcess& sim, const std::string& control_line);
