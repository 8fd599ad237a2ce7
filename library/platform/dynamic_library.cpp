#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <utility>

namespace zevahv::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary &&o) noexcept
    : handle_(std::exchange(o.handle_, nullptr)), error_(std::move(o.error_)) {}

DynamicLibrary &DynamicLibrary::operator=(DynamicLibrary &&o) noexcept {
    if (this != &o) {
        close();
        handle_ = std::exchange(o.handle_, nullptr);
        error_ = std::move(o.error_);
    }
    return *this;
}

bool DynamicLibrary::open(const std::string &name) {
    close();
    error_.clear();
    handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char *e = ::dlerror();
        error_ = e ? e : "cannot load " + name;
        return false;
    }
    return true;
}

void *DynamicLibrary::symbol(const char *name) {
    if (handle_ == nullptr) {
        error_ = "library not loaded";
        return nullptr;
    }
    ::dlerror();
    void *p = ::dlsym(handle_, name);
    if (p == nullptr) {
        const char *e = ::dlerror();
        error_ = e ? e : std::string("symbol not found: ") + name;
    }
    return p;
}

void *DynamicLibrary::find(const char *name) const {
    return handle_ != nullptr ? ::dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::close() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

}  // namespace zevahv::platform
