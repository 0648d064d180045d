#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <pthread.h>

#include "serial/ThreadControl.h"

namespace serial {

namespace {

void CALLBACK IgnoreWake(ULONG_PTR) {}

HANDLE HandleOf(std::thread& thread) { return ::pthread_gethandle(thread.native_handle()); }

}  // namespace

void NameThread(std::thread&, const char*) {}

void RaiseThisThread(int steps) {
    if (steps <= 0) return;
    ::SetThreadPriority(::GetCurrentThread(),
                        steps >= 2 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
}

// The helper's waits are alertable; nothing to prepare.
void AcceptWakes() {}

void WakeThread(std::thread& thread) {
    if (HANDLE h = HandleOf(thread)) ::QueueUserAPC(IgnoreWake, h, 0);
}

}  // namespace serial
