// Reads extended dialog templates (DLGTEMPLATEEX) from a module's resources.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring className;  // predefined classes by name: Button, Edit, Static...
    std::wstring title;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu;
    std::wstring className;
    std::wstring title;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// The bytes of resource `type`/`name` in `module`; empty when absent.
std::string ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name);

// Parses an extended dialog template; `ok` false when malformed.
DialogTemplate ParseDialogTemplate(const std::string& bytes, bool* ok);
