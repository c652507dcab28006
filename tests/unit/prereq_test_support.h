#pragma once

// A package folder with the stand-ins of the prerequisite setups, their
// scripts and logs, and packsetup's texts and dialogs for LoadText.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <doctest/doctest.h>

#include "build_tree.h"
#include "message_box_recorder.h"
#include "xml_test_support.h"

namespace prereq_test {

inline std::wstring StandinPath(const std::wstring& relative)
{
    return build_tree::PathOf(L"tests\\fixtures\\" + relative);
}

inline std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

inline std::vector<std::wstring> Lines(const std::wstring& path)
{
    std::string bytes = xml_test::ReadBytes(path);
    std::vector<std::wstring> lines;
    if (bytes == "<missing>")
        return lines;
    std::wstring text = FromUtf8(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// The lines of a log that start with the prefix.
inline std::vector<std::wstring> LinesStartingWith(const std::vector<std::wstring>& lines, const std::wstring& prefix)
{
    std::vector<std::wstring> found;
    for (const std::wstring& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

inline bool Contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

// <temp>\<name>-<pid> with "dotnet" and "directx" below it.
class Package {
public:
    explicit Package(const std::wstring& name) : folder_(name), texts_(build_tree::PackSetupPath())
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        REQUIRE(folder_.created());
        REQUIRE(texts_.Loaded());
        REQUIRE(CreateDirectoryW(DotnetFolder().c_str(), nullptr));
        REQUIRE(CreateDirectoryW(DirectXFolder().c_str(), nullptr));
    }

    const std::wstring& Path() const { return folder_.path(); }
    std::wstring DotnetFolder() const { return folder_.File(L"dotnet"); }
    std::wstring DirectXFolder() const { return folder_.File(L"directx"); }

    // The setup stand-in under the given file name, with its script.
    void AddDotnetSetup(const std::string& script, const std::wstring& fileName = L"dotnetfx3.exe") const
    {
        REQUIRE(CopyFileW(StandinPath(L"dotnetfx3_standin\\dotnetfx3.exe").c_str(),
                          (DotnetFolder() + L"\\" + fileName).c_str(), FALSE));
        REQUIRE(xml_test::WriteBytes(DotnetFolder() + L"\\dotnetfx3-script.txt", script));
    }
    std::vector<std::wstring> DotnetLog() const { return Lines(DotnetFolder() + L"\\dotnetfx3-log.txt"); }

    void AddDirectXSetup(const std::string& script, const wchar_t* variant = L"dsetup.dll") const
    {
        REQUIRE(CopyFileW(StandinPath(std::wstring(L"dsetup_standin\\") + variant).c_str(),
                          (DirectXFolder() + L"\\dsetup.dll").c_str(), FALSE));
        for (const wchar_t* helper : {L"dsetup_helper.dll", L"dsetup_helper_late.dll"})
            REQUIRE(CopyFileW(StandinPath(std::wstring(L"dsetup_standin\\") + helper).c_str(),
                              (DirectXFolder() + L"\\" + helper).c_str(), FALSE));
        REQUIRE(xml_test::WriteBytes(DirectXFolder() + L"\\dsetup-script.txt", script));
    }
    std::vector<std::wstring> DirectXLog() const { return Lines(DirectXFolder() + L"\\dsetup-log.txt"); }

private:
    xml_test::ScratchFolder folder_;
    PackSetupTexts texts_;
};

} // namespace prereq_test
