#include "wine.h"

#include <windows.h>

#include "test_files.h"

bool IsWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool RunsUnderWine()
{
    return Environment(L"VRIX_TEST_AS_ON_WINDOWS") != L"1" && IsWine();
}
