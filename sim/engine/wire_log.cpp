#include "engine/wire_log.h"

namespace sim {

WireLog::~WireLog() {
    if (f_) std::fclose(f_);
}

bool WireLog::open(const std::string& path) {
    f_ = std::fopen(path.c_str(), "a");
    return f_ != nullptr;
}

void WireLog::sent(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n")
        bytes.remove_suffix(2);
    write('<', bytes);
}

std::string escape_bytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7f || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void WireLog::write(char dir, std::string_view text) {
    if (!f_) return;
    std::string line;
    line.push_back(dir);
    line.push_back(' ');
    line += escape_bytes(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), f_);
    std::fflush(f_);
}

} // namespace sim
