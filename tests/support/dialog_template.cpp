#include "dialog_template.h"

#include <string.h>

namespace {

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }

    template <typename T>
    T Read()
    {
        T value{};
        if (at_ + sizeof(T) > bytes_.size()) {
            ok_ = false;
            return value;
        }
        memcpy(&value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (wchar_t c = Read<wchar_t>(); ok_ && c != 0; c = Read<wchar_t>())
            text += c;
        return text;
    }

    // A string or an ordinal; predefined window classes are given by name.
    std::wstring ReadNameOrOrdinal(bool isClass)
    {
        const WORD first = Read<WORD>();
        if (first == 0)
            return L"";
        if (first == 0xFFFF) {
            const WORD ordinal = Read<WORD>();
            static const wchar_t* const classes[] = {L"Button", L"Edit", L"Static",
                                                     L"ListBox", L"ScrollBar", L"ComboBox"};
            if (isClass && ordinal >= 0x80 && ordinal <= 0x85)
                return classes[ordinal - 0x80];
            return L"#" + std::to_wstring(ordinal);
        }
        at_ -= sizeof(WORD);
        return ReadString();
    }

    void AlignTo4() { at_ = (at_ + 3) & ~size_t(3); }
    void Skip(size_t count) { at_ += count; }

private:
    const std::string& bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace

std::string ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name)
{
    HRSRC info = FindResourceW(module, name, type);
    if (info == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(module, info);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, info)) : std::string();
}

DialogTemplate ParseDialogTemplate(const std::string& bytes, bool* ok)
{
    DialogTemplate dialog;
    Reader reader(bytes);
    const WORD version = reader.Read<WORD>();
    const WORD signature = reader.Read<WORD>();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (!dialog.extended) {
        *ok = false;
        return dialog;
    }
    reader.Read<DWORD>();  // help id
    dialog.exStyle = reader.Read<DWORD>();
    dialog.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    dialog.menu = reader.ReadNameOrOrdinal(false);
    dialog.className = reader.ReadNameOrOrdinal(false);
    dialog.title = reader.ReadString();
    // Only DS_SETFONT brings a font block (DS_SHELLFONT is DS_SETFONT | DS_FIXEDSYS).
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        dialog.weight = reader.Read<WORD>();
        dialog.italic = reader.Read<BYTE>();
        dialog.charset = reader.Read<BYTE>();
        dialog.typeface = reader.ReadString();
    }
    for (WORD i = 0; i < count && reader.ok(); ++i) {
        reader.AlignTo4();
        DialogItem item;
        reader.Read<DWORD>();  // help id
        item.exStyle = reader.Read<DWORD>();
        item.style = reader.Read<DWORD>();
        item.x = reader.Read<short>();
        item.y = reader.Read<short>();
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = static_cast<int>(reader.Read<DWORD>());
        item.className = reader.ReadNameOrOrdinal(true);
        item.title = reader.ReadNameOrOrdinal(false);
        reader.Skip(reader.Read<WORD>());  // creation data
        dialog.items.push_back(item);
    }
    *ok = reader.ok();
    return dialog;
}
