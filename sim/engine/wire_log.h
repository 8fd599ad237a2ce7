#pragma once
// The --log file: "> <command>" for every line received, "< <reply>" for
// every line sent, without line ends, flushed line by line so that a test
// may read it while the simulator runs. Bytes outside printable ASCII are
// written as \xHH, so every entry stays one line.

#include <cstdio>
#include <string>
#include <string_view>

namespace sim {

// Bytes as one printable line: ASCII as is, anything else (and '\\') as \xHH.
std::string escape_bytes(std::string_view bytes);

class WireLog {
public:
    WireLog() = default;
    ~WireLog();
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;

    bool open(const std::string& path); // append
    void received(std::string_view line) { write('>', line); }
    void sent(std::string_view bytes);  // a trailing "\r\n" is left out
    // One entry "<dir> <bytes>", the bytes escaped and kept whole.
    void write(char dir, std::string_view text);

private:
    std::FILE* f_ = nullptr;
};

} // namespace sim
