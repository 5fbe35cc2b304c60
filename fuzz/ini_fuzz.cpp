// Settings files come from anywhere: no byte sequence may crash the reader or
// make a write lose other keys.
#include "core/IniText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)ini::lookup(file, "StartUp", "Credits");
    const QByteArray written = ini::withValue(file, "Fuzz", "Key", "value\r\nwith=break");
    const auto back = ini::lookup(written, "fuzz", " KEY ");
    if (!back || *back != "valuewith=break")
        std::abort();
    const QByteArray removed = ini::withoutSection(written, "FUZZ");
    if (ini::lookup(removed, "Fuzz", "Key"))
        std::abort();
    return 0;
}
