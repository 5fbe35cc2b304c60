#include "platform/LazyLibrary.h"

#include <dlfcn.h>

namespace platform {

void LazyLibrary::open()
{
    std::call_once(opened_, [this] {
        handle_ = dlopen(name_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = dlerror();
            openError_ = why ? why : "cannot be opened";
        }
    });
}

void* LazyLibrary::symbol(const char* symbolName)
{
    open();
    // Looked up in the library's handle, never in the global scope, where the
    // name would find our own forwarding definition.
    return handle_ ? dlsym(handle_, symbolName) : nullptr;
}

std::string LazyLibrary::openError()
{
    open();
    return openError_;
}

} // namespace platform
