#pragma once
// What the component asks of the operating system about its own threads:
// a name for debuggers, a raised priority (best effort), and a wake-up that
// ends a helper's wait in the driver early. Each platform in its own file
// (ThreadControlPosix.cpp, ThreadControlWin32.cpp).

#include <thread>

namespace serial {

// `name`: at most 15 characters. Ignored where the system cannot name threads.
void NameThread(std::thread& thread, const char* name);
// Raises the calling thread `steps` above normal; an ordinary user may not be
// allowed to, and that is no failure.
void RaiseThisThread(int steps);

// Prepares the calling thread to be woken by WakeThread(): on Linux a signal
// without SA_RESTART ends its wait with EINTR; on Windows an APC ends an
// alertable wait.
void AcceptWakes();
void WakeThread(std::thread& thread);

}  // namespace serial
