/* Extensions that go wrong in the ways the program must survive, and one that needs a library of
 * its own, built from this one file:
 *   OMIT_UNLOAD       exports no tessaly_extension_unload
 *   LOAD_RESULT=N     its load returns N
 *   USE_HELPER        method "helper" answers with helper_name() of the helper library it is
 *                     linked with, which must be found beside it
 *   HELPER_NAME="..." builds the helper library itself, whose helper_name() returns the text */
#include "tessaly/extension.h"

#ifdef HELPER_NAME
TESSALY_EXTENSION_EXPORT const char* helper_name(void) {
    return "\"" HELPER_NAME "\"";
}
#else

#ifdef USE_HELPER
const char* helper_name(void);
#endif

#ifndef LOAD_RESULT
#define LOAD_RESULT 0
#endif

TESSALY_EXTENSION_EXPORT int TESSALY_EXTENSION_CALL
tessaly_extension_load(const TessalyHostApi* api, const char* app_folder_utf8, void** state) {
    (void)app_folder_utf8;
    *state = (void*)api;
    return LOAD_RESULT;
}

TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_call(
    void* state, uint64_t id, const char* method_utf8, const char* params_json_utf8) {
    const TessalyHostApi* api = (const TessalyHostApi*)state;
    (void)params_json_utf8;
#ifdef USE_HELPER
    if (method_utf8[0] == 'h') {
        api->reply(api->host, id, helper_name(), 0, 0);
        return;
    }
#endif
    (void)method_utf8;
    api->reply(api->host, id, "null", 0, 0);
}

#ifndef OMIT_UNLOAD
TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_unload(void* state) {
    (void)state;
}
#endif

#endif
