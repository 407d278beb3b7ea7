#include "stack_guard.h"

#include <windows.h>

extern "C" {

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the name the compiler checks
uintptr_t __stack_chk_guard = StackGuardDefault;

// Called by a function whose copy of the guard was overwritten: its stack
// is not to be trusted, nor anything else in the process. It ends the
// program at once with STATUS_STACK_BUFFER_OVERRUN, running no exception
// handler and no more of the program's code. Not through the kernel's fast
// fail (__fastfail, interrupt 0x29): that is one only from Windows 8 on;
// before, it raises an ordinary exception, whose dispatch walks the very
// handler records on the stack that an overrun may have overwritten.
// Without the check itself.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the name the compiler calls
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
}
