#include "stack_guard.h"

#include <windows.h>

namespace {

// IsProcessorFeaturePresent's flag for the kernel's fast fail (Windows 8
// on), and fast fail's code for a failed stack check; not in the XP headers.
const DWORD FastFailAvailable = 23;
const unsigned int FastFailStackCookieCheckFailure = 2;

}  // namespace

extern "C" {

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the name the compiler checks
uintptr_t __stack_chk_guard = StackGuardDefault;

// Called by a function whose copy of the guard was overwritten: its stack
// is not to be trusted, nor anything else in the process. It ends the
// program at once, as Windows' own runtime does, running no handler and no
// code of the program's: through the kernel's fast fail where the system
// has it (it also reports the failure), else by ending the process with
// STATUS_STACK_BUFFER_OVERRUN. Without the check itself.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the name the compiler calls
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail()
{
    // __fastfail: interrupt 0x29 with the code in ECX (RCX).
    if (IsProcessorFeaturePresent(FastFailAvailable))
        __asm__ __volatile__("int $0x29" : : "c"(FastFailStackCookieCheckFailure));
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
}
