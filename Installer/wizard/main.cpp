// Program entry: the whole program is the frame's modal loop.
#include "wizard.h"

#include "dll_search.h"
#include "resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    LockDllSearch();
    // Without them there is no window to show anything in.
    if (!LoadDelayLoadedDlls())
        return 1;
    g_instance = instance;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, FrameProc, 0);
    // The frame never came up: a broken program file or no desktop to show it on.
    if (g_frame == nullptr)
        return 1;
    return 0;
}
