#pragma once
// One open system: ZEVAHV_InitSystem at construction, ZEVAHV_DeinitSystem at
// destruction, and the one place that turns a library result code into a
// Failure with the library's own error text.

#include <string>

namespace zcli {

struct SystemSpec {
    int type = -1;
    int link = -1;
    std::string address;
    std::string user;
    std::string password;

    // "P731X at 127.0.0.1:47001_0": how messages name the system.
    std::string label() const;
};

class System {
public:
    explicit System(SystemSpec spec);  // throws Failure(kExitOpen) when the open fails
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    int handle() const { return handle_; }
    const SystemSpec& spec() const { return spec_; }

    // Throws Failure(exit_code_for(rc), rc) for a non-zero rc, its message being
    // "<what>: <the library's text, or the code's meaning>".
    void check(int rc, const std::string& what) const;
    // The library's error text for this system, or the words for `rc`.
    std::string error_text(int rc) const;

private:
    SystemSpec spec_;
    int handle_ = -1;
};

}  // namespace zcli
