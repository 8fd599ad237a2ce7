#pragma once
// Ctrl-C (SIGINT) and SIGTERM as a request to stop: while a StopSignals
// object lives they end a blocking wait (no restart of the interrupted
// call) and set a flag that the loops of monitor and batch test; the old
// handlers come back when it goes.  Objects may nest: the flag stays set
// for the outer loop after an inner one ended on it.

#include <csignal>

namespace zcli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

bool stop_requested();

}  // namespace zcli
