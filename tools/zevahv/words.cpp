#include "words.h"

#include "failure.h"

namespace zcli {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> split_words(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && blank(line[i])) ++i;
        if (i == n || (words.empty() && line[i] == '#')) break;
        std::string word;
        while (i < n && !blank(line[i])) {
            char c = line[i++];
            if (c == '\'') {
                size_t close = line.find('\'', i);
                if (close == std::string_view::npos)
                    throw Failure(kExitUsage, -1, "a ' is not closed");
                word.append(line.substr(i, close - i));
                i = close + 1;
            } else if (c == '"') {
                for (;;) {
                    if (i == n) throw Failure(kExitUsage, -1, "a \" is not closed");
                    char d = line[i++];
                    if (d == '"') break;
                    if (d == '\\' && i < n && (line[i] == '"' || line[i] == '\\')) d = line[i++];
                    word += d;
                }
            } else if (c == '\\') {
                if (i == n) throw Failure(kExitUsage, -1, "a \\ ends the line");
                word += line[i++];
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace zcli
