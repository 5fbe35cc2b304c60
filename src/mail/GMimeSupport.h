#pragma once

#include <QByteArray>
#include <QString>

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

#include <memory>

// GMime's library state, set up once for the whole program from whichever
// thread needs it first. Every function that touches GMime calls this.
void EnsureGMime();

// Owns one GObject reference (GMime's objects are reference counted).
struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Owns a string GMime handed over with g_malloc.
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GString_ptr = std::unique_ptr<char, GFree>;

// A C string GMime returned (UTF-8, possibly null) as text.
inline QString FromGMime(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// A string GMime handed over, as text; the memory is freed.
inline QString TakeGMimeString(char* utf8)
{
    const GString_ptr owned(utf8);
    return FromGMime(owned.get());
}
