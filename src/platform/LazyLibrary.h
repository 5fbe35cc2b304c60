#pragma once

#include <mutex>

namespace platform {

// A system library opened at the first call into it instead of at program
// start. The network libraries and everything they pull in (TLS, Kerberos,
// LDAP, SSH...) cost start-up time and memory that a session which never
// transfers anything should not pay.
class LazyLibrary {
public:
    explicit LazyLibrary(const char* soname) : soname_(soname) {}

    // The library's own definition of name, or nullptr when the library or
    // the name is missing. Safe from any thread.
    void* symbol(const char* name);

private:
    const char* soname_;
    std::once_flag opened_;
    void* handle_ = nullptr;
};

template <class Function>
Function bind(LazyLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(library.symbol(name));
}

} // namespace platform
