// The stack check of a program built as VRIXSetup.exe is: an overrun array
// ends the program at once, before its function returns to what the overrun
// wrote (stack_overrun.cpp), with STATUS_STACK_BUFFER_OVERRUN.
#include <gtest/gtest.h>

#include <windows.h>

#include "process_windows.h"
#include "test_files.h"

TEST(StackGuard, AnOverrunArrayEndsTheProgramAtOnce)
{
    const std::wstring program = L"\"" + ProgramFolder() + L"stack_overrun.exe\" ";
    EXPECT_EQ(0u, ExitCodeOf(program + L"short", 30000)) << "it fails without an overrun";
    EXPECT_EQ(DWORD(STATUS_STACK_BUFFER_OVERRUN), ExitCodeOf(program + std::wstring(200, L'x'), 30000));
}
