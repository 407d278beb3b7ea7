// The install action behind Finish.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "bounded_text.h"
#include "install.h"
#include "install_texts.h"
#include "system_dll.h"

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOW) == 68, "STARTUPINFOW of the 32-bit program");
static_assert(sizeof(SHELLEXECUTEINFOW) == 60, "SHELLEXECUTEINFOW of the 32-bit program");
#endif
static_assert(sizeof(wchar_t[PathChars]) == 522, "registry read size in bytes");

namespace {

const wchar_t AppPathsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

// The registry view of the other bitness. 64-bit XP and Vista keep App Paths
// apart for 32-bit and 64-bit programs, and a 64-bit ActiveSync registers
// its Application Manager in the 64-bit view only (from Windows 7 on both
// views share one key). 32-bit Windows ignores the flag.
#ifdef _WIN64
const REGSAM OtherRegistryView = KEY_WOW64_32KEY;
#else
const REGSAM OtherRegistryView = KEY_WOW64_64KEY;
#endif

// Ownerless on purpose: the wizard stays as it is behind the box.
void ShowInstallMessage(const wchar_t* text)
{
    MessageBoxW(nullptr, text, MessageCaption, MB_OK);
}

// Reads the App Paths default value in the program's own registry view
// (`view` 0) or another. A value that is missing, longer than the buffer, or
// fills it without a terminator counts as not registered. A REG_EXPAND_SZ
// value (say "%ProgramFiles%\...") is expanded, as the Shell expands it when
// it starts a program through App Paths; expanded, it must fit the buffer
// too. Any other value is used exactly as stored.
bool ReadAppManagerPath(wchar_t (&path)[PathChars], REGSAM view)
{
    ZeroMemory(path, sizeof(path));
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = sizeof(path);
    const LONG status = RegQueryValueExW(key, nullptr, nullptr, &type,
                                         reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || BoundedLength(path, PathChars) == PathChars)
        return false;
    if (type != REG_EXPAND_SZ)
        return true;
    wchar_t expanded[PathChars];
    // The result counts the terminator; more than the buffer holds is the size it would need.
    const DWORD needed = ExpandEnvironmentStringsW(path, expanded, PathChars);
    return needed != 0 && needed <= static_cast<DWORD>(PathChars)
        && CopyBounded(path, PathChars, expanded);
}

// The program's own view decides whenever it holds a usable value; the other
// view is read only when it does not.
bool FindAppManager(wchar_t (&path)[PathChars])
{
    return ReadAppManagerPath(path, 0) || ReadAppManagerPath(path, OtherRegistryView);
}

// Input messages of later systems, which the XP headers do not define.
const UINT MouseHorizontalWheel = 0x020E;  // WM_MOUSEHWHEEL, Vista on
const UINT Gesture = 0x0119;               // WM_GESTURE, 7 on
const UINT GestureNotify = 0x011A;         // WM_GESTURENOTIFY, 7 on
// WM_TOUCH (7 on), then the pointer messages (8 on), WM_NCPOINTERUPDATE
// 0x0241 to WM_POINTERROUTEDRELEASED 0x0253: one range.
const UINT Touch = 0x0240;
const UINT LastPointer = 0x0253;

// Input the user makes: keys, the mouse in and around the windows, touch
// and pen.
bool IsUserInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST)
        || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        || (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK)
        || message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE
        || message == WM_MOUSEHOVER || message == WM_MOUSELEAVE || message == WM_INPUT
        || message == MouseHorizontalWheel || message == Gesture || message == GestureNotify
        || (message >= Touch && message <= LastPointer);
}

// Set while RunInstall waits for the Application Manager.
bool g_waitingForAppManager;

// The wizard's frame: the one visible window of this thread that no other
// window owns (the pages are its children). Null when there is none.
BOOL CALLBACK FindFrame(HWND window, LPARAM found)
{
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ProgramFrame()
{
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrame, reinterpret_cast<LPARAM>(&frame));
    return frame;
}

// Tells the frame, if there is one, that the wait began or ended.
void TellFrameOfWait()
{
    const HWND frame = ProgramFrame();
    if (frame != nullptr)
        SendMessageW(frame, WM_APP_MANAGER_WAIT, 0, 0);
}

// The wait begins: the pages act on nothing while it lasts
// (IsWaitingForAppManager), and the frame is told, so that its page shows
// it. Returns whether a wait was on already, for EndWait.
bool BeginWait()
{
    const bool waitingAlready = g_waitingForAppManager;
    g_waitingForAppManager = true;
    if (!waitingAlready)
        TellFrameOfWait();
    return waitingAlready;
}

void EndWait(bool waitingAlready)
{
    g_waitingForAppManager = waitingAlready;
    if (!waitingAlready)
        TellFrameOfWait();
}

// Takes every message now queued. User input is dropped, so that nothing the
// user does acts during the wait, nor afterwards; the rest (painting, timers,
// what other programs post) is handled as the modal loop would, and the pages
// act on none of it while the wait lasts (IsWaitingForAppManager). A quit
// request is kept in `quitCode` for the caller to repeat.
void HandleQueuedMessages(bool* quit, int* quitCode)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quitCode = static_cast<int>(message.wParam);
        } else if (!IsUserInput(message.message)) {
            DispatchMessageW(&message);
        }
    }
}

// Waits, without a time-out, until `ended` (a thread or process) has ended,
// keeping the wizard
// alive meanwhile: messages other programs send it are answered as they come
// (a broadcast such as WM_SETTINGCHANGE, a DDE conversation starting would
// otherwise hang until the wait ends, and for ever if the sender is the
// program waited for), and it repaints.
void WaitKeepingWindowsAlive(HANDLE ended)
{
    const bool waitingAlready = BeginWait();
    bool quit = false;
    int quitCode = 0;
    // Windows counts a window as not responding, and from Vista on ghosts it
    // and offers to end the program, once its thread has read no message for
    // 5 s while not waiting for input. Here the thread waits with all input
    // in its wake mask and reads its queue each time anything arrives, so it
    // never counts as hung, however long the Application Manager runs.
    while (MsgWaitForMultipleObjects(1, &ended, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        HandleQueuedMessages(&quit, &quitCode);
    // Input that came after the last look goes too.
    HandleQueuedMessages(&quit, &quitCode);
    EndWait(waitingAlready);
    if (quit)
        PostQuitMessage(quitCode);
}

// CreateProcessW's answer, from Vista on, for a program whose manifest asks
// for administrator rights (ERROR_ELEVATION_REQUIRED; not in the XP headers).
const DWORD ElevationRequired = 740;

// Starts `program` with `parameters` in `folder` through the Shell, as
// Windows from Vista on wants for a program whose manifest asks for
// administrator rights: CreateProcessW refuses it to a program with the
// user's own rights, as this one is (ERROR_ELEVATION_REQUIRED), and only
// the Shell asks the user's consent. The prompt is owned by the frame, so
// that it comes up in front of the wizard. Shell32 and ole32 are loaded here
// by their full paths, on this path alone. The started process, or null
// with the error in `error`: ERROR_CANCELLED when the user declined; null
// with ERROR_SUCCESS when the Shell started no new process.
HANDLE StartThroughShell(const wchar_t* program, const wchar_t* parameters, const wchar_t* folder,
                         DWORD* error)
{
    typedef BOOL(WINAPI * ShellExecuteExFunction)(SHELLEXECUTEINFOW*);
    typedef HRESULT(WINAPI * CoInitializeExFunction)(void*, DWORD);
    typedef void(WINAPI * CoUninitializeFunction)();
    const HMODULE shell = LoadSystemDll(L"shell32.dll");
    const FARPROC shellExecuteEx = shell != nullptr ? GetProcAddress(shell, "ShellExecuteExW") : nullptr;
    if (shellExecuteEx == nullptr) {
        *error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    // The Shell may hand the work to its extensions, which want COM's
    // single-threaded apartment on this thread.
    const HMODULE ole = LoadSystemDll(L"ole32.dll");
    const FARPROC coInitializeEx = ole != nullptr ? GetProcAddress(ole, "CoInitializeEx") : nullptr;
    const FARPROC coUninitialize = ole != nullptr ? GetProcAddress(ole, "CoUninitialize") : nullptr;
    const bool comStarted = coInitializeEx != nullptr && coUninitialize != nullptr
        && SUCCEEDED(reinterpret_cast<CoInitializeExFunction>(reinterpret_cast<void*>(coInitializeEx))(
            nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    // The process to wait for; no message box of the Shell's own: a failure
    // is told as any other failure to start.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = ProgramFrame();
    info.lpFile = program;
    info.lpParameters = parameters;
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    const BOOL started = reinterpret_cast<ShellExecuteExFunction>(reinterpret_cast<void*>(shellExecuteEx))(&info);
    *error = started ? ERROR_SUCCESS : GetLastError();
    if (comStarted)
        reinterpret_cast<CoUninitializeFunction>(reinterpret_cast<void*>(coUninitialize))();
    return started ? info.hProcess : nullptr;
}

}  // namespace

void RunInstall()
{
    wchar_t tempFolder[PathChars];
    ZeroMemory(tempFolder, sizeof(tempFolder));
    const DWORD tempLength = GetTempPathW(PathChars, tempFolder);
    // 0 is failure; PathChars or more is the size the folder would need.
    const bool haveTempFolder = tempLength != 0 && tempLength < static_cast<DWORD>(PathChars);

    wchar_t managerPath[PathChars];
    if (!FindAppManager(managerPath)) {
        ShowInstallMessage(NoAppManagerMessage);
        return;
    }
    // Without the temporary folder nothing may be written anywhere else.
    if (!haveTempFolder) {
        ShowInstallMessage(PrepareFailedMessage);
        return;
    }

    wchar_t payloadName[PathChars];
    if (!ExtractPayload(tempFolder, payloadName)) {
        ShowInstallMessage(PrepareFailedMessage);
        return;
    }
    wchar_t iniPath[PathChars];
    if (!WriteAppManagerIni(iniPath, tempFolder, payloadName)) {
        ShowInstallMessage(PrepareFailedMessage);
        return;
    }
    wchar_t commandLine[CommandLineChars];
    if (!BuildAppManagerCommandLine(commandLine, CommandLineChars, managerPath, iniPath)) {
        ShowInstallMessage(PrepareFailedMessage);
        return;
    }

    // The manager starts in its own folder: not in the installer's, which is
    // usually a downloads folder, where it would look for DLLs it does not
    // find beside itself or in the system folders. A registered path without
    // a folder leaves it the installer's.
    wchar_t managerFolder[PathChars];
    const bool haveManagerFolder = CopyFolderOf(managerFolder, PathChars, managerPath);

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                       haveManagerFolder ? managerFolder : nullptr, &startup, &process)) {
        // The Application Manager is done with the files once its primary thread ends.
        WaitKeepingWindowsAlive(process.hThread);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;
    }
    DWORD error = GetLastError();
    if (error == ElevationRequired) {
        // The same program and INI file, quoted as on the command line. The
        // Shell may run the thread's messages while it asks the user; the
        // pages act on none of them, as while the manager runs.
        wchar_t parameters[PathChars + 2];
        const bool waitingAlready = BeginWait();
        const HANDLE elevated = BuildQuoted(parameters, PathChars + 2, iniPath)
            ? StartThroughShell(managerPath, parameters, haveManagerFolder ? managerFolder : nullptr, &error)
            : nullptr;
        // Only the process is known here: it is waited for whole.
        if (elevated != nullptr) {
            WaitKeepingWindowsAlive(elevated);
            CloseHandle(elevated);
        }
        EndWait(waitingAlready);
        // Declined by the user: ActiveSync is there, and nothing more is said.
        if (error == ERROR_SUCCESS || error == ERROR_CANCELLED)
            return;
    }
    // A registered path that no longer runs: ActiveSync is as good as missing.
    ShowInstallMessage(NoAppManagerMessage);
}

bool IsWaitingForAppManager()
{
    return g_waitingForAppManager;
}
