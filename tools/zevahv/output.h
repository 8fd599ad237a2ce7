#pragma once
// Output for people and for scripts: aligned tables and JSON documents on
// standard output.

#include "json.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zcli {

// Columns padded to their widest cell (counted in characters, not bytes),
// two blanks apart; the last column is not padded.
class Table {
public:
    explicit Table(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    bool empty() const { return rows_.size() == 1; }
    void print(std::ostream& out, const std::string& indent = "") const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// Characters of a UTF-8 text (for alignment).
size_t display_width(const std::string& text);

// A JSON document on one line (events) or indented (everything else),
// flushed at once.
void print_json(const Json& doc, bool one_line = false);
// Every JSON document on one line from now on (a batch: one a command).
void set_json_lines(bool on);

}  // namespace zcli
