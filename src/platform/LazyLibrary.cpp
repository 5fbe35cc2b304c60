#include "platform/LazyLibrary.h"

#include <dlfcn.h>

namespace platform {

void* LazyLibrary::symbol(const char* name)
{
    std::call_once(opened_, [this] { handle_ = dlopen(soname_, RTLD_NOW | RTLD_LOCAL); });
    // Looked up in the library's handle, never in the global scope, where the
    // name would find our own forwarding definition.
    return handle_ ? dlsym(handle_, name) : nullptr;
}

} // namespace platform
