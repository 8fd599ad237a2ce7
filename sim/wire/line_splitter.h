#pragma once
// Cuts a byte stream into command lines. A line ends at LF; a CR before it
// is dropped. A line that grows past the limit without an end is discarded
// up to its end and reported once as overlong, so a client that never sends
// a line end cannot make the simulator grow without bound.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class LineSplitter {
public:
    explicit LineSplitter(std::size_t max_line = 4096) : max_(max_line) {}

    struct Line {
        std::string text;
        bool overlong = false; // text holds only the first max_line bytes
    };
    // Appends bytes and returns the lines they complete.
    std::vector<Line> feed(std::string_view bytes);

private:
    std::size_t max_;
    std::string buf_;
    bool dropping_ = false;
};

} // namespace sim
