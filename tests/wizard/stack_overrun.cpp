// Copies its command line into an array of eight characters, as a fault
// would, in a program built as VRIXSetup.exe is. Exit code 0 only if the
// copy returned: the stack check must end it first.
#include <windows.h>
#include <wchar.h>

namespace {

__attribute__((noinline)) int CopyIntoEight(const wchar_t* text)
{
    wchar_t buffer[8];
    wcscpy(buffer, text);
    return buffer[0];
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    CopyIntoEight(commandLine);
    return 0;
}
