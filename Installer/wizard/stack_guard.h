// The guard that every function of the program holding an array checks
// before it returns (-fstack-protector-strong): a copy of it lies between
// the function's arrays and its return address, and a copy that differs on
// return means an array was overrun. The guard and the check that fails are
// the program's own, not GCC's libssp, which takes its random value from
// advapi32's CryptGenRandom: a static import of advapi32, loaded before the
// entry has locked the DLL search.
#pragma once
#include <stdint.h>

extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the name the compiler checks
extern uintptr_t __stack_chk_guard;
}

// The value the guard has until the program's entry point sets it.
#ifdef _WIN64
const uintptr_t StackGuardDefault = 0x00002B992DDFA232;
#else
const uintptr_t StackGuardDefault = 0xBB40E64E;
#endif
