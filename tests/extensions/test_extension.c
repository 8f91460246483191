/* Extensions that go wrong in the ways the program must survive, one that needs a library of its
 * own, and one that floods the page, built from this one file:
 *   OMIT_UNLOAD       exports no tessaly_extension_unload
 *   LOAD_RESULT=N     its load returns N
 *   USE_HELPER        method "helper" answers with helper_name() of the helper library it is
 *                     linked with, which must be found beside it
 *   HELPER_NAME="..." builds the helper library itself, whose helper_name() returns the text
 *   FLOOD             (POSIX) method "flood" starts a thread that sends events {"n":N} as fast as
 *                     it can until unload; every other method answers with its params */
#include "tessaly/extension.h"

#ifdef HELPER_NAME
TESSALY_EXTENSION_EXPORT const char* helper_name(void) {
    return "\"" HELPER_NAME "\"";
}
#else

#ifdef FLOOD
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <string.h>
#endif

#ifdef USE_HELPER
const char* helper_name(void);
#endif

#ifndef LOAD_RESULT
#define LOAD_RESULT 0
#endif

typedef struct State {
    const TessalyHostApi* api;
#ifdef FLOOD
    pthread_t flooder;
    int flooding;
    atomic_int stopping;
#endif
} State;

#ifdef FLOOD
static void* send_events(void* argument) {
    State* state = (State*)argument;
    char event[32];
    for (unsigned long n = 1; !atomic_load(&state->stopping); ++n) {
        snprintf(event, sizeof event, "{\"n\":%lu}", n);
        state->api->emit(state->api->host, event);
    }
    return 0;
}
#endif

TESSALY_EXTENSION_EXPORT int TESSALY_EXTENSION_CALL
tessaly_extension_load(const TessalyHostApi* api, const char* app_folder_utf8, void** state) {
    static State loaded; /* a library is loaded once */
    (void)app_folder_utf8;
    loaded.api = api;
    *state = &loaded;
    return LOAD_RESULT;
}

TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_call(
    void* state, uint64_t id, const char* method_utf8, const char* params_json_utf8) {
    State* loaded = (State*)state;
    const TessalyHostApi* api = loaded->api;
    (void)method_utf8;
    (void)params_json_utf8;
#ifdef USE_HELPER
    if (method_utf8[0] == 'h') {
        api->reply(api->host, id, helper_name(), 0, 0);
        return;
    }
#endif
#ifdef FLOOD
    if (strcmp(method_utf8, "flood") == 0) {
        if (!loaded->flooding) {
            loaded->flooding = pthread_create(&loaded->flooder, 0, send_events, loaded) == 0;
        }
        if (loaded->flooding) {
            api->reply(api->host, id, "null", 0, 0);
        } else {
            api->reply(api->host, id, 0, "Failed", "no thread could be started");
        }
        return;
    }
    api->reply(api->host, id, params_json_utf8, 0, 0);
    return;
#endif
    api->reply(api->host, id, "null", 0, 0);
}

#ifndef OMIT_UNLOAD
TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_unload(void* state) {
#ifdef FLOOD
    State* loaded = (State*)state;
    atomic_store(&loaded->stopping, 1);
    if (loaded->flooding) {
        pthread_join(loaded->flooder, 0);
    }
#endif
    (void)state;
}
#endif

#endif
