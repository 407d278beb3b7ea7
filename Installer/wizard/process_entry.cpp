// The program's entry point, before the runtime's: it sets the stack guard
// (stack_guard.h) before any code of the program's or the runtime's start-up
// can run a function that checks it, as Windows' own runtime does first in
// its entry point. From kernel32 alone, which is loaded already; the way
// that runtime makes its guard: the time, the process and thread ids, the
// tick count and the performance counter, with the address of the stack.
#include <windows.h>

#include "stack_guard.h"

extern "C" int WinMainCRTStartup();

// The runtime's start-up follows, and ends the process with wWinMain's code.
// Without the stack check: the guard changes while it runs.
extern "C" __attribute__((no_stack_protector)) int VrixEntry()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uintptr_t guard = now.dwLowDateTime ^ now.dwHighDateTime;
    guard ^= GetCurrentProcessId();
    guard ^= GetCurrentThreadId();
    guard ^= GetTickCount();
    guard ^= static_cast<uintptr_t>(counter.QuadPart);
#ifdef _WIN64
    guard ^= static_cast<uintptr_t>(counter.QuadPart) << 32;
    guard &= 0x0000FFFFFFFFFFFF;  // as Windows' runtime keeps it: a zero byte stops a string overrun
#endif
    guard ^= reinterpret_cast<uintptr_t>(&guard);
    if (guard == 0 || guard == StackGuardDefault)
        guard = StackGuardDefault ^ 0x4711;
    __stack_chk_guard = guard;
    return WinMainCRTStartup();
}
