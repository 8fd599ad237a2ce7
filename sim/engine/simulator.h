#pragma once
// The modules on one line (or behind one TCP server): reads each received
// line in the device's dialect, routes it to the board it addresses, applies
// the fault mode to the reply, counts and logs, and answers the control
// channel. Every transport
// thread comes through here; one lock keeps the module state consistent.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/options.h"
#include "devices/registry.h"
#include "engine/faults.h"
#include "engine/wire_log.h"
#include "wire/line_splitter.h"

namespace sim {

class Simulator {
public:
    // Fails (returns nothing, with a message) when the log cannot be opened.
    static std::unique_ptr<Simulator> create(const Options& o, std::string& error);

    // One received line; the reply to send, or nothing when no board on the
    // line is addressed.
    std::optional<Delivery> on_line(const LineSplitter::Line& line);

    // One control line; the answer ("OK ..." or "ERR ...").
    std::string control(const std::string& line);
    bool quit_requested() const { return quit_; }

private:
    Simulator() = default;
    Device* board(const std::string& text);
    std::string control_set(const std::string& args);
    std::string control_get(const std::string& args);

    std::mutex mutex_;
    const Dialect* dialect_ = nullptr;
    std::map<int, std::unique_ptr<Device>> boards_;
    Device* first_board_ = nullptr; // answers lines that carry no address
    WireLog log_;
    Fault fault_;
    std::optional<Fault> fault_once_;
    unsigned long count_ = 0;
    unsigned replies_ = 0;
    bool quit_ = false;
};

} // namespace sim
