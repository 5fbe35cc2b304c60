// libcurl's entry points that the clients use, forwarding to libcurl opened
// at the first transfer. Without libcurl every transfer fails with "Failed
// initialization" instead of the program failing to start.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include "platform/LazyLibrary.h"

#include <cstdarg>

namespace {

platform::LazyLibrary& curl()
{
    static platform::LazyLibrary library(HALVORN_CURL_SONAME);
    return library;
}

#define HALVORN_CURL_BIND(name) static const auto real = platform::bind<decltype(&::name)>(curl(), #name)

} // namespace

extern "C" {

CURLcode curl_global_init(long flags)
{
    HALVORN_CURL_BIND(curl_global_init);
    return real ? real(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init()
{
    HALVORN_CURL_BIND(curl_easy_init);
    return real ? real() : nullptr;
}

// The one variadic argument's type follows from the option's number range.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...)
{
    HALVORN_CURL_BIND(curl_easy_setopt);
    if (!real)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = real(handle, option, va_arg(args, long));
    else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        result = real(handle, option, va_arg(args, curl_off_t));
    else
        result = real(handle, option, va_arg(args, void*));
    va_end(args);
    return result;
}

CURLcode curl_easy_perform(CURL* handle)
{
    HALVORN_CURL_BIND(curl_easy_perform);
    return real ? real(handle) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* handle)
{
    HALVORN_CURL_BIND(curl_easy_cleanup);
    if (real)
        real(handle);
}

const char* curl_easy_strerror(CURLcode code)
{
    HALVORN_CURL_BIND(curl_easy_strerror);
    return real ? real(code) : "libcurl (" HALVORN_CURL_SONAME ") could not be loaded";
}

curl_slist* curl_slist_append(curl_slist* list, const char* text)
{
    HALVORN_CURL_BIND(curl_slist_append);
    return real ? real(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list)
{
    HALVORN_CURL_BIND(curl_slist_free_all);
    if (real)
        real(list);
}

// The transfers run on a multi handle kept with the connection.
CURLM* curl_multi_init()
{
    HALVORN_CURL_BIND(curl_multi_init);
    return real ? real() : nullptr;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy)
{
    HALVORN_CURL_BIND(curl_multi_add_handle);
    return real ? real(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy)
{
    HALVORN_CURL_BIND(curl_multi_remove_handle);
    return real ? real(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running)
{
    HALVORN_CURL_BIND(curl_multi_perform);
    return real ? real(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left)
{
    HALVORN_CURL_BIND(curl_multi_info_read);
    return real ? real(multi, left) : nullptr;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count, int timeoutMs, int* ready)
{
    HALVORN_CURL_BIND(curl_multi_poll);
    return real ? real(multi, extra, count, timeoutMs, ready) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_fdset(CURLM* multi, fd_set* reading, fd_set* writing, fd_set* failing, int* highest)
{
    HALVORN_CURL_BIND(curl_multi_fdset);
    return real ? real(multi, reading, writing, failing, highest) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_timeout(CURLM* multi, long* milliseconds)
{
    HALVORN_CURL_BIND(curl_multi_timeout);
    return real ? real(multi, milliseconds) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_cleanup(CURLM* multi)
{
    HALVORN_CURL_BIND(curl_multi_cleanup);
    return real ? real(multi) : CURLM_INTERNAL_ERROR;
}

} // extern "C"
