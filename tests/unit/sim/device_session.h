#pragma once
// One simulated device driven line by line in its dialect, over simulated
// time: what a client would send and read, without a process or a socket.
#include <chrono>
#include <memory>
#include <string>

#include "engine/execute.h"
#include "model/device.h"
#include "wire/dialect.h"

struct DeviceSession {
    DeviceSession(std::unique_ptr<sim::Device> d, const sim::Dialect& dialect)
        : dev(std::move(d)), dialect(dialect), t(sim::Clock::now()) {
        dev->advance(t);
    }
    // The reply line without its line end.
    std::string ask(const std::string& line) {
        std::string r = sim::respond(*dev, dialect, dialect.parse(line));
        while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.pop_back();
        return r;
    }
    // The value of a reply: after ",VAL:" ($-forms) or after the first ':'
    // (KQPS); the whole reply when it carries none.
    std::string value(const std::string& line) {
        std::string r = ask(line);
        auto v = r.find(",VAL:");
        if (v != std::string::npos) return r.substr(v + 5);
        if (r.rfind("#", 0) == 0 && r.find(':') != std::string::npos && r.rfind("#NAK", 0) != 0)
            return r.substr(r.find(':') + 1);
        return r;
    }
    void after(std::chrono::milliseconds d) {
        t += d;
        dev->advance(t);
    }
    // A front-panel set, as the control channel makes it.
    bool panel(const std::string& word, int ch, const std::string& value) {
        auto r = dev->panel_set(word, ch, value);
        return r && !*r;
    }

    std::unique_ptr<sim::Device> dev;
    const sim::Dialect& dialect;
    sim::Clock::time_point t;
};
