#include "wire/line_splitter.h"

namespace sim {

std::vector<LineSplitter::Line> LineSplitter::feed(std::string_view bytes) {
    std::vector<Line> out;
    for (char c : bytes) {
        if (c == '\n') {
            if (!buf_.empty() && buf_.back() == '\r') buf_.pop_back();
            out.push_back({std::move(buf_), dropping_});
            buf_.clear();
            dropping_ = false;
            continue;
        }
        if (buf_.size() >= max_) {
            dropping_ = true;
            continue;
        }
        buf_.push_back(c);
    }
    return out;
}

} // namespace sim
