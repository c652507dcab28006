#pragma once

// Reads an extended dialog template (DLGTEMPLATEEX) from a module's resources
// in a given language, for the uninstaller's dialog tests.
#include <windows.h>

#include <string>
#include <vector>

namespace dialog_template {

struct Control {
    DWORD id = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring className; // predefined classes as "#<atom>"
    std::wstring text;      // an ordinal as "#<number>"
};

struct Dialog {
    bool found = false;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<Control> controls;
};

class Reader {
public:
    explicit Reader(const BYTE* data) : at_(data) {}
    WORD Word() { WORD value; memcpy(&value, at_, 2); at_ += 2; return value; }
    DWORD Dword() { DWORD value; memcpy(&value, at_, 4); at_ += 4; return value; }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *at_++; }
    std::wstring String()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0; c = Word())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    std::wstring StringOrOrdinal()
    {
        WORD first = Word();
        if (first == 0)
            return std::wstring();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        at_ -= 2;
        return String();
    }
    void AlignDword(const BYTE* start)
    {
        while ((at_ - start) % 4 != 0)
            ++at_;
    }
    void Skip(size_t bytes) { at_ += bytes; }

private:
    const BYTE* at_;
};

inline Dialog Load(HMODULE module, WORD id, WORD language)
{
    Dialog dialog;
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), language);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const BYTE* start = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!start)
        return dialog;
    Reader reader(start);
    if (reader.Word() != 1 || reader.Word() != 0xFFFF)
        return dialog;
    reader.Dword(); // help id
    reader.Dword(); // extended style
    dialog.style = reader.Dword();
    WORD count = reader.Word();
    reader.Short();
    reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    reader.StringOrOrdinal(); // menu
    reader.StringOrOrdinal(); // class
    dialog.title = reader.String();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        reader.Word();
        reader.Byte();
        reader.Byte();
        dialog.font = reader.String();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignDword(start);
        Control control;
        reader.Dword(); // help id
        reader.Dword(); // extended style
        control.style = reader.Dword();
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        control.id = reader.Dword();
        control.className = reader.StringOrOrdinal();
        control.text = reader.StringOrOrdinal();
        reader.Skip(reader.Word());
        dialog.controls.push_back(control);
    }
    dialog.found = true;
    return dialog;
}

} // namespace dialog_template
