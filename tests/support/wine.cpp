#include "wine.h"

#include <windows.h>

#include "test_files.h"

bool RunsUnderWine()
{
    if (Environment(L"VRIX_TEST_AS_ON_WINDOWS") == L"1")
        return false;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
