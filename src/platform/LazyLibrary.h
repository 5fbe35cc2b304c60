#pragma once

#include <mutex>
#include <string>

namespace platform {

// A library opened at the first call into it instead of at program start:
// the network libraries and everything they pull in (TLS, Kerberos, LDAP,
// SSH...) and the program's own sound module cost start-up time and memory
// that a session which never uses them should not pay. Never closed: what
// it handed out may still run.
class LazyLibrary {
  public:
    // A soname ("libcurl.so.4") or a path to a module.
    explicit LazyLibrary(std::string name) : name_(std::move(name)) {}

    // The library's own definition of symbolName, or nullptr when the
    // library or the name is missing. Safe from any thread.
    void* symbol(const char* symbolName);
    // Why the library could not be opened; empty when it was.
    std::string openError();

  private:
    void open();

    const std::string name_;
    std::once_flag opened_;
    void* handle_ = nullptr;
    std::string openError_;
};

template <class Function> Function bind(LazyLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(library.symbol(name));
}

} // namespace platform
