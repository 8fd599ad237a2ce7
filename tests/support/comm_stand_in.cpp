#include "comm_stand_in.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

CommStandIn& CommStandIn::get() {
    static CommStandIn s;
    return s;
}

const char* CommStandIn::library_path() { return ZEVACOMM_PATH; }

CommStandIn::CommStandIn() {
    char tmpl[] = "/tmp/zevacomm-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (dir == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = dir;
    log_path_ = folder_ + "/calls.log";
    control_path_ = folder_ + "/faults";
    std::ofstream(log_path_).close();
    setenv("ZEVACOMM_LOG", log_path_.c_str(), 1);
    setenv("ZEVACOMM_CONTROL", control_path_.c_str(), 1);
    setenv("ZEVAHV_COMM_LIBRARY", library_path(), 1);
    unsetenv("ZEVACOMM_MODEL");
    unsetenv("ZEVACOMM_DEVICES");
    unsetenv("ZEVACOMM_FAULTS");
}

CommStandIn::~CommStandIn() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

std::string CommStandIn::write_file(const std::string& name, const std::string& text) const {
    // Written beside and renamed, so that a reader never sees half a file.
    const std::string path = folder_ + "/" + name;
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
    }
    fs::rename(part, path);
    return path;
}

void CommStandIn::use_model(const std::string& choice) const {
    if (choice.empty()) unsetenv("ZEVACOMM_MODEL");
    else setenv("ZEVACOMM_MODEL", choice.c_str(), 1);
}

void CommStandIn::use_model_text(const std::string& text) const {
    static int serial = 0;
    use_model(write_file("model" + std::to_string(++serial) + ".conf", text));
}

void CommStandIn::set_faults(const std::string& rules) const {
    write_file("faults", rules);
}

std::size_t CommStandIn::log_mark() const {
    std::error_code ec;
    const auto n = fs::file_size(log_path_, ec);
    return ec ? 0 : static_cast<std::size_t>(n);
}

std::vector<std::string> CommStandIn::log_since(std::size_t mark) const {
    std::ifstream in(log_path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(mark));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

int CommStandIn::count_since(std::size_t mark, const std::string& prefix) const {
    int n = 0;
    for (const auto& l : log_since(mark))
        if (l.rfind(prefix, 0) == 0) ++n;
    return n;
}
