#include "comma_locale.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr const char* kNames[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE"};

bool prints_comma() {
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    return std::strcmp(probe, "1,5") == 0;
}

} // namespace

CommaLocale::CommaLocale() {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = old ? old : "C";
    for (const char* name : kNames)
        if (std::setlocale(LC_NUMERIC, name) && prints_comma()) {
            active_ = true;
            return;
        }
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("zevahv-locale-" + std::to_string(getpid()));
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string cmd =
        "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !fs::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC")) {
        fs::remove_all(dir, ec);
        return;
    }
    dir_ = dir.string();
    setenv("LOCPATH", dir_.c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr && prints_comma();
}

CommaLocale::~CommaLocale() {
    std::setlocale(LC_NUMERIC, saved_.c_str());
    if (!dir_.empty()) {
        unsetenv("LOCPATH");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}
