#include "output.h"

#include <algorithm>
#include <iostream>

namespace zcli {

size_t display_width(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

void Table::print(std::ostream& out, const std::string& indent) const {
    std::vector<size_t> width;
    for (const auto& row : rows_) {
        if (width.size() < row.size()) width.resize(row.size(), 0);
        for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], display_width(row[i]));
    }
    for (const auto& row : rows_) {
        std::string line = indent;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(width[i] - display_width(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    }
}

namespace {
bool g_json_lines = false;
}  // namespace

void set_json_lines(bool on) { g_json_lines = on; }

void print_json(const Json& doc, bool one_line) {
    // Replace, not throw, on text that is not UTF-8 (a device's own bytes).
    std::cout << doc.dump(one_line || g_json_lines ? -1 : 2, ' ', false,
                          Json::error_handler_t::replace)
              << std::endl;
}

}  // namespace zcli
