/* A sample native extension: everything an extension does, in a form to copy.
 *
 *   echo   answers with its params
 *   add    answers {"sum": a + b}
 *   later  answers {"waited": ms} after params.ms milliseconds, from a thread of its own
 *   fail   answers with an error named params.name
 *   tick   answers at once, then sends {"n": 1}, {"n": 2}, ... every 100 ms, params.count times
 *
 * Calls arrive one at a time on the extension's own thread, so the methods that take time
 * start a thread: the extension's next call need not wait, and answers and events may be sent
 * from any thread. Unload stops and joins every thread, because the library is unloaded after
 * it returns. */
#ifndef _WIN32
#define _POSIX_C_SOURCE 200809L /* nanosleep */
#endif
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "echo_json.h"
#include "echo_threads.h"
#include "tessaly/extension.h"

typedef struct Echo {
    const TessalyHostApi* api;
    EchoMutex mutex; /* guards what follows: workers read `stopping` */
    EchoThread* workers;
    size_t worker_count;
    int stopping;
} Echo;

typedef struct Work {
    Echo* echo;
    uint64_t id;
    long amount; /* milliseconds for later, events for tick */
} Work;

static int is_stopping(Echo* echo) {
    echo_lock(&echo->mutex);
    const int stopping = echo->stopping;
    echo_unlock(&echo->mutex);
    return stopping;
}

/* Sleeps `ms` milliseconds in short steps; 0 when unload came first. */
static int wait_unless_stopping(Echo* echo, long ms) {
    for (; ms > 0 && !is_stopping(echo); ms -= 10) {
        echo_sleep_ms(ms < 10 ? ms : 10);
    }
    return !is_stopping(echo);
}

static ECHO_THREAD_RESULT later_worker(void* argument) {
    Work* work = (Work*)argument;
    if (wait_unless_stopping(work->echo, work->amount)) {
        char result[64];
        snprintf(result, sizeof result, "{\"waited\":%ld}", work->amount);
        work->echo->api->reply(work->echo->api->host, work->id, result, NULL, NULL);
    }
    free(work);
    return 0;
}

static ECHO_THREAD_RESULT tick_worker(void* argument) {
    Work* work = (Work*)argument;
    for (long n = 1; n <= work->amount && wait_unless_stopping(work->echo, 100); ++n) {
        char event[64];
        snprintf(event, sizeof event, "{\"n\":%ld}", n);
        work->echo->api->emit(work->echo->api->host, event);
    }
    free(work);
    return 0;
}

/* Runs `body` on a new thread that unload joins; 0 when no thread could be started. */
static int start_worker(Echo* echo, uint64_t id, long amount, EchoThreadBody body) {
    Work* work = malloc(sizeof *work);
    if (!work) {
        return 0;
    }
    work->echo = echo;
    work->id = id;
    work->amount = amount;
    echo_lock(&echo->mutex);
    EchoThread* workers = realloc(echo->workers, (echo->worker_count + 1) * sizeof *workers);
    int started = workers != NULL;
    if (workers) {
        echo->workers = workers;
        started = echo_start_thread(&workers[echo->worker_count], body, work);
        echo->worker_count += started ? 1 : 0;
    }
    echo_unlock(&echo->mutex);
    if (!started) {
        free(work);
    }
    return started;
}

TESSALY_EXTENSION_EXPORT int TESSALY_EXTENSION_CALL
tessaly_extension_load(const TessalyHostApi* api, const char* app_folder_utf8, void** state) {
    (void)app_folder_utf8; /* where the app's own files are, if the extension needs them */
    if (api->abi != TESSALY_EXTENSION_ABI) {
        return 1; /* a program this extension was not built for */
    }
    Echo* echo = calloc(1, sizeof *echo);
    if (!echo) {
        return 2;
    }
    echo->api = api;
    echo_mutex_init(&echo->mutex);
    *state = echo;
    return 0;
}

TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_call(void* state,
                                                                            uint64_t id,
                                                                            const char* method,
                                                                            const char* params) {
    Echo* echo = (Echo*)state;
    const TessalyHostApi* api = echo->api;
    if (strcmp(method, "echo") == 0) {
        api->reply(api->host, id, params, NULL, NULL);
    } else if (strcmp(method, "add") == 0) {
        double a = 0, b = 0;
        if (!json_number(params, "a", &a) || !json_number(params, "b", &b)) {
            api->reply(api->host, id, NULL, "InvalidArgument", "add takes {a, b}, two numbers");
            return;
        }
        char result[64];
        snprintf(result, sizeof result, "{\"sum\":%.17g}", a + b);
        api->reply(api->host, id, result, NULL, NULL);
    } else if (strcmp(method, "later") == 0 || strcmp(method, "tick") == 0) {
        const int later = strcmp(method, "later") == 0;
        double amount = 0;
        if (!json_number(params, later ? "ms" : "count", &amount) || amount < 0 || amount > 1e6) {
            api->reply(api->host, id, NULL, "InvalidArgument",
                       later ? "later takes {ms}, up to 1000000" : "tick takes {count}");
        } else if (!start_worker(echo, id, (long)amount, later ? later_worker : tick_worker)) {
            api->reply(api->host, id, NULL, "EchoError", "no thread could be started");
        } else if (!later) {
            api->reply(api->host, id, "null", NULL, NULL);
        }
    } else if (strcmp(method, "fail") == 0) {
        char name[64];
        if (!json_string(params, "name", name, sizeof name)) {
            api->reply(api->host, id, NULL, "InvalidArgument", "fail takes {name}, a string");
            return;
        }
        api->reply(api->host, id, NULL, name, "failed as asked");
    } else {
        api->reply(api->host, id, NULL, "UnknownMethod", "echo has no such method");
    }
}

TESSALY_EXTENSION_EXPORT void TESSALY_EXTENSION_CALL tessaly_extension_unload(void* state) {
    Echo* echo = (Echo*)state;
    echo_lock(&echo->mutex);
    echo->stopping = 1;
    echo_unlock(&echo->mutex);
    /* No call comes any more, so no worker is added while these are joined. */
    for (size_t i = 0; i < echo->worker_count; ++i) {
        echo_join_thread(&echo->workers[i]);
    }
    free(echo->workers);
    echo_mutex_destroy(&echo->mutex);
    free(echo);
}
