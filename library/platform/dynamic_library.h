// Run-time loading of a shared library (dlopen/dlsym), for the outside
// communication library of the register-access families.
#pragma once

#include <string>

namespace zevahv::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { close(); }
    DynamicLibrary(const DynamicLibrary &) = delete;
    DynamicLibrary &operator=(const DynamicLibrary &) = delete;
    DynamicLibrary(DynamicLibrary &&o) noexcept;
    DynamicLibrary &operator=(DynamicLibrary &&o) noexcept;

    // Loads the library: a name without '/' goes through the normal loader
    // search path.  False on failure; error() tells why.
    bool open(const std::string &name);
    bool is_open() const { return handle_ != nullptr; }
    // The address of a symbol, or null (error() tells why).
    void *symbol(const char *name);
    // The same without recording why: safe to call from many threads at
    // once while the library stays loaded.
    void *find(const char *name) const;
    // A symbol as a function pointer of type F.
    template <typename F>
    F function(const char *name) {
        return reinterpret_cast<F>(symbol(name));
    }
    void close();
    const std::string &error() const { return error_; }

private:
    void *handle_ = nullptr;
    std::string error_;
};

}  // namespace zevahv::platform
