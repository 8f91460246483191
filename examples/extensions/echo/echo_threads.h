/* The few thread functions the sample needs, on Windows and on POSIX systems. */
#ifndef ECHO_THREADS_H
#define ECHO_THREADS_H

#ifdef _WIN32
#include <windows.h>

typedef HANDLE EchoThread;
typedef CRITICAL_SECTION EchoMutex;
#define ECHO_THREAD_RESULT DWORD WINAPI
typedef LPTHREAD_START_ROUTINE EchoThreadBody;

static int echo_start_thread(EchoThread* thread, EchoThreadBody body, void* argument) {
    *thread = CreateThread(NULL, 0, body, argument, 0, NULL);
    return *thread != NULL;
}
static void echo_join_thread(EchoThread* thread) {
    WaitForSingleObject(*thread, INFINITE);
    CloseHandle(*thread);
}
static void echo_mutex_init(EchoMutex* mutex) {
    InitializeCriticalSection(mutex);
}
static void echo_mutex_destroy(EchoMutex* mutex) {
    DeleteCriticalSection(mutex);
}
static void echo_lock(EchoMutex* mutex) {
    EnterCriticalSection(mutex);
}
static void echo_unlock(EchoMutex* mutex) {
    LeaveCriticalSection(mutex);
}
static void echo_sleep_ms(long ms) {
    Sleep((DWORD)ms);
}

#else
#include <pthread.h>
#include <time.h>

typedef pthread_t EchoThread;
typedef pthread_mutex_t EchoMutex;
#define ECHO_THREAD_RESULT void*
typedef void* (*EchoThreadBody)(void*);

static int echo_start_thread(EchoThread* thread, EchoThreadBody body, void* argument) {
    return pthread_create(thread, NULL, body, argument) == 0;
}
static void echo_join_thread(EchoThread* thread) {
    pthread_join(*thread, NULL);
}
static void echo_mutex_init(EchoMutex* mutex) {
    pthread_mutex_init(mutex, NULL);
}
static void echo_mutex_destroy(EchoMutex* mutex) {
    pthread_mutex_destroy(mutex);
}
static void echo_lock(EchoMutex* mutex) {
    pthread_mutex_lock(mutex);
}
static void echo_unlock(EchoMutex* mutex) {
    pthread_mutex_unlock(mutex);
}
static void echo_sleep_ms(long ms) {
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}
#endif

#endif /* ECHO_THREADS_H */
