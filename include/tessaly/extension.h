/* Tessaly native extensions: a library shipped beside the app that serves its page.
 *
 * The program loads each extension named in package.json ("extensions") at start-up, calls
 * tessaly_extension_load once, then tessaly_extension_call for each call the page makes with
 * tessaly.extensions.call(name, method, params), and tessaly_extension_unload once at exit,
 * after the window is gone. Load, calls and unload run on one thread of the extension's own,
 * never the user-interface thread, one after another in the order the page made the calls.
 *
 * Every string passed either way is UTF-8, belongs to the caller and lives only during the call:
 * each side copies what it keeps. No memory is freed across this boundary, so an extension built
 * with another compiler and C runtime works.
 *
 * Extensions run with the "C" numeric locale on every platform, whatever the user's locale:
 * strtod, printf and the like read and write numbers with a decimal point, as JSON has them. (The
 * Linux program sets it after its toolkit has taken the user's locale; Windows C runtimes start in
 * "C".) An extension that changes the locale changes it for the whole program.
 *
 * Plain C99, usable from C++. */
#ifndef TESSALY_EXTENSION_H
#define TESSALY_EXTENSION_H

#include <stdint.h>

#define TESSALY_EXTENSION_ABI 1

#ifdef _WIN32
#define TESSALY_EXTENSION_EXPORT __declspec(dllexport)
#define TESSALY_EXTENSION_CALL __cdecl
#else
#define TESSALY_EXTENSION_EXPORT __attribute__((visibility("default")))
#define TESSALY_EXTENSION_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TessalyHost TessalyHost; /* opaque, owned by the program */

typedef struct TessalyHostApi {
    uint32_t abi; /* TESSALY_EXTENSION_ABI */
    TessalyHost* host;
    /* Answers call `id` exactly once, from any thread: a JSON result (UTF-8), or, when
       error_name is not NULL, an error with that name and message. */
    void(TESSALY_EXTENSION_CALL* reply)(TessalyHost* host, uint64_t id, const char* result_json,
                                        const char* error_name, const char* error_message);
    /* Sends `event_json` (UTF-8 JSON) to the page's listeners of this extension, from any
       thread. */
    void(TESSALY_EXTENSION_CALL* emit)(TessalyHost* host, const char* event_json);
} TessalyHostApi;

/* Exported by the extension. */

/* Returns 0 on success. `api` stays valid until tessaly_extension_unload has returned;
   `app_folder_utf8` is the app's folder, ending in a separator. */
TESSALY_EXTENSION_EXPORT int TESSALY_EXTENSION_CALL
tessaly_extension_load(const TessalyHostApi* api, const char* app_folder_utf8, void** state);

/* One call of the page; answer it with api->reply, now or later, from any thread. */
TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_call(
    void* state, uint64_t id, const char* method_utf8, const char* params_json_utf8);

/* After the last call; calls still unanswered are abandoned. */
TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_unload(void* state);

#ifdef __cplusplus
}
#endif

#endif /* TESSALY_EXTENSION_H */
