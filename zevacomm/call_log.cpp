#include "call_log.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace zevacomm {

CallLog &CallLog::instance() {
    static CallLog log;
    return log;
}

CallLog::CallLog() {
    const char *path = std::getenv("ZEVACOMM_LOG");
    if (!path || !*path) return;
    if (std::strcmp(path, "stderr") == 0) {
        file_ = stderr;
        return;
    }
    file_ = std::fopen(path, "a");
    own_ = file_ != nullptr;
    if (!file_) std::fprintf(stderr, "ZEVAComm stand-in: cannot open ZEVACOMM_LOG %s\n", path);
}

CallLog::~CallLog() {
    if (own_) std::fclose(file_);
}

void CallLog::line(const char *format, ...) {
    if (!file_) return;
    char buf[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    std::lock_guard<std::mutex> lock(mutex_);
    std::fprintf(file_, "%s\n", buf);
    std::fflush(file_);
}

}  // namespace zevacomm
