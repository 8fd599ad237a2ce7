#include "system.h"

#include "ZEVAHVLink.h"
#include "failure.h"
#include "names.h"

namespace zcli {

std::string SystemSpec::label() const { return system_type_name(type) + " at " + address; }

System::System(SystemSpec spec) : spec_(std::move(spec)) {
    // The library keeps the pointer only for the call; the text is copied.
    std::string arg = spec_.address;
    int rc = ZEVAHV_InitSystem(spec_.type, spec_.link, arg.data(), spec_.user.c_str(),
                               spec_.password.c_str(), &handle_);
    if (rc != ZEVAHV_OK) {
        handle_ = -1;
        // No handle, so no per-connection text: the code says it all.
        throw Failure(kExitOpen, rc, std::string("cannot open the system: ") + code_text(rc));
    }
}

System::~System() {
    if (handle_ >= 0) ZEVAHV_DeinitSystem(handle_);
}

std::string System::error_text(int rc) const {
    const char* text = ZEVAHV_GetError(handle_);
    std::string t = text ? text : "";
    // Module families keep no text; a mainframe's text may be stale ("ok")
    // or blank when the failure was the library's own.
    auto blank = t.find_first_not_of(' ') == std::string::npos;
    if (blank || t == "ok") return code_text(rc);
    return t;
}

void System::check(int rc, const std::string& what) const {
    if (rc == ZEVAHV_OK) return;
    throw Failure(exit_code_for(rc), rc, what + ": " + error_text(rc));
}

}  // namespace zcli
