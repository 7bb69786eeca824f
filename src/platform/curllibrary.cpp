#include "platform/curllibrary.h"

#include "common/logging.h"

// The real declarations, without the type-checking macros that would rename the definitions.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <cstdarg>
#include <dlfcn.h>

namespace kuokuo {
namespace {

struct CurlLibrary
{
    bool loaded = false;
    CURLcode (*global_init)(long);
    CURL *(*easy_init)();
    void (*easy_cleanup)(CURL *);
    void (*easy_reset)(CURL *);
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...);
    CURLcode (*easy_getinfo)(CURL *, CURLINFO, ...);
    const char *(*easy_strerror)(CURLcode);
    CURLM *(*multi_init)();
    CURLMcode (*multi_cleanup)(CURLM *);
    CURLMcode (*multi_setopt)(CURLM *, CURLMoption, ...);
    CURLMcode (*multi_add_handle)(CURLM *, CURL *);
    CURLMcode (*multi_remove_handle)(CURLM *, CURL *);
    CURLMcode (*multi_socket_action)(CURLM *, curl_socket_t, int, int *);
    CURLMsg *(*multi_info_read)(CURLM *, int *);
    CURLSH *(*share_init)();
    CURLSHcode (*share_cleanup)(CURLSH *);
    CURLSHcode (*share_setopt)(CURLSH *, CURLSHoption, ...);
};

template <class Function>
bool resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

const CurlLibrary &curl()
{
    static const CurlLibrary library = [] {
        CurlLibrary made{};
        // The library stays for the rest of the run: its handles may live until the exit.
        void *opened = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!opened) {
            qCWarning(lcNet) << "libcurl cannot be opened:" << ::dlerror();
            return made;
        }
        made.loaded = resolve(opened, "curl_global_init", made.global_init) &&
                      resolve(opened, "curl_easy_init", made.easy_init) &&
                      resolve(opened, "curl_easy_cleanup", made.easy_cleanup) &&
                      resolve(opened, "curl_easy_reset", made.easy_reset) &&
                      resolve(opened, "curl_easy_setopt", made.easy_setopt) &&
                      resolve(opened, "curl_easy_getinfo", made.easy_getinfo) &&
                      resolve(opened, "curl_easy_strerror", made.easy_strerror) &&
                      resolve(opened, "curl_multi_init", made.multi_init) &&
                      resolve(opened, "curl_multi_cleanup", made.multi_cleanup) &&
                      resolve(opened, "curl_multi_setopt", made.multi_setopt) &&
                      resolve(opened, "curl_multi_add_handle", made.multi_add_handle) &&
                      resolve(opened, "curl_multi_remove_handle", made.multi_remove_handle) &&
                      resolve(opened, "curl_multi_socket_action", made.multi_socket_action) &&
                      resolve(opened, "curl_multi_info_read", made.multi_info_read) &&
                      resolve(opened, "curl_share_init", made.share_init) &&
                      resolve(opened, "curl_share_cleanup", made.share_cleanup) &&
                      resolve(opened, "curl_share_setopt", made.share_setopt);
        if (!made.loaded)
            qCWarning(lcNet) << "libcurl lacks a function the transfers use:" << ::dlerror();
        return made;
    }();
    return library;
}

// The one argument after an option, passed on as the type libcurl reads it as: an option's
// number says its type (a long, a pointer or function, a curl_off_t).
template <class Result, class Handle, class Option, class Function>
Result forwardOption(Function function, Handle *handle, Option option, va_list arguments)
{
    const long kind = long(option);
    if (kind < CURLOPTTYPE_OBJECTPOINT)
        return function(handle, option, va_arg(arguments, long));
    if (kind >= CURLOPTTYPE_OFF_T && kind < CURLOPTTYPE_BLOB)
        return function(handle, option, va_arg(arguments, curl_off_t));
    return function(handle, option, va_arg(arguments, void *));
}

} // namespace

bool curlLibraryLoaded()
{
    return curl().loaded;
}

} // namespace kuokuo

using kuokuo::curl;

extern "C" {

CURLcode curl_global_init(long flags)
{
    return curl().loaded ? curl().global_init(flags) : CURLE_FAILED_INIT;
}

CURL *curl_easy_init()
{
    return curl().loaded ? curl().easy_init() : nullptr;
}

void curl_easy_cleanup(CURL *handle)
{
    if (curl().loaded)
        curl().easy_cleanup(handle);
}

void curl_easy_reset(CURL *handle)
{
    if (curl().loaded)
        curl().easy_reset(handle);
}

CURLcode curl_easy_setopt(CURL *handle, CURLoption option, ...)
{
    if (!curl().loaded)
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, option);
    const CURLcode result =
        kuokuo::forwardOption<CURLcode>(curl().easy_setopt, handle, option, arguments);
    va_end(arguments);
    return result;
}

CURLcode curl_easy_getinfo(CURL *handle, CURLINFO info, ...)
{
    if (!curl().loaded)
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, info);
    // Every piece of information is written through a pointer.
    const CURLcode result = curl().easy_getinfo(handle, info, va_arg(arguments, void *));
    va_end(arguments);
    return result;
}

const char *curl_easy_strerror(CURLcode code)
{
    return curl().loaded ? curl().easy_strerror(code) : "libcurl cannot be opened";
}

CURLM *curl_multi_init()
{
    return curl().loaded ? curl().multi_init() : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM *multi)
{
    return curl().loaded ? curl().multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_setopt(CURLM *multi, CURLMoption option, ...)
{
    if (!curl().loaded)
        return CURLM_BAD_HANDLE;
    va_list arguments;
    va_start(arguments, option);
    const CURLMcode result =
        kuokuo::forwardOption<CURLMcode>(curl().multi_setopt, multi, option, arguments);
    va_end(arguments);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM *multi, CURL *handle)
{
    return curl().loaded ? curl().multi_add_handle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM *multi, CURL *handle)
{
    return curl().loaded ? curl().multi_remove_handle(multi, handle) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_socket_action(CURLM *multi, curl_socket_t socket, int events, int *running)
{
    return curl().loaded ? curl().multi_socket_action(multi, socket, events, running)
                         : CURLM_BAD_HANDLE;
}

CURLMsg *curl_multi_info_read(CURLM *multi, int *left)
{
    if (left)
        *left = 0;
    return curl().loaded ? curl().multi_info_read(multi, left) : nullptr;
}

CURLSH *curl_share_init()
{
    return curl().loaded ? curl().share_init() : nullptr;
}

CURLSHcode curl_share_cleanup(CURLSH *share)
{
    return curl().loaded ? curl().share_cleanup(share) : CURLSHE_INVALID;
}

CURLSHcode curl_share_setopt(CURLSH *share, CURLSHoption option, ...)
{
    if (!curl().loaded)
        return CURLSHE_INVALID;
    va_list arguments;
    va_start(arguments, option);
    // What to share is an int; the lock functions and their data are pointers.
    const CURLSHcode result = option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE
                                  ? curl().share_setopt(share, option, va_arg(arguments, int))
                                  : curl().share_setopt(share, option, va_arg(arguments, void *));
    va_end(arguments);
    return result;
}

} // extern "C"
