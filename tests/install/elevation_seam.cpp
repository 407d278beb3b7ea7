// The install action as install_tests runs it: the program's own
// run_install.cpp, compiled here with its CreateProcessW and its Shell's
// ShellExecuteExW passed through this seam. Left alone, both act as the
// platform's own. Wine never answers ERROR_ELEVATION_REQUIRED (it has no
// consent prompt and starts such a program at once), so a test has the seam
// answer it, and sees what the Shell was asked. The program itself is built
// from run_install.cpp as it is.
#include "elevation_seam.h"

#include "install.h"

#include <objbase.h>
#include <shellapi.h>

ElevationSeam g_elevationSeam;

namespace {

BOOL WINAPI SeamCreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                               LPSECURITY_ATTRIBUTES threadAttributes, BOOL inherit, DWORD flags,
                               LPVOID environment, LPCWSTR folder, LPSTARTUPINFOW startup,
                               LPPROCESS_INFORMATION process)
{
    if (g_elevationSeam.refuseStart) {
        ++g_elevationSeam.refusedStarts;
        SetLastError(740);  // ERROR_ELEVATION_REQUIRED
        return FALSE;
    }
    return CreateProcessW(application, commandLine, processAttributes, threadAttributes, inherit, flags,
                          environment, folder, startup, process);
}

BOOL WINAPI SeamShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    ElevationSeam& seam = g_elevationSeam;
    ++seam.shellStarts;
    seam.shellMask = info->fMask;
    seam.shellOwner = info->hwnd;
    seam.waitingWhileShellAsks = IsWaitingForAppManager();
    seam.shellFile = info->lpFile ? info->lpFile : L"";
    seam.shellParameters = info->lpParameters ? info->lpParameters : L"";
    seam.shellFolder = info->lpDirectory ? info->lpDirectory : L"";
    if (seam.shellError != 0) {
        SetLastError(seam.shellError);
        return FALSE;
    }
    return ShellExecuteExW(info);
}

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name)
{
    if (lstrcmpA(name, "ShellExecuteExW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(SeamShellExecuteExW));
    return GetProcAddress(module, name);
}

}  // namespace

#define CreateProcessW SeamCreateProcessW
#define GetProcAddress SeamGetProcAddress
#include "run_install.cpp"
