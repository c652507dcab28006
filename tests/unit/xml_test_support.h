#pragma once

// Helpers shared by the XML layer's tests: a COM apartment, a scratch folder
// that is removed afterwards, and whole-file byte access.

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include <doctest/doctest.h>

#include "common/xml/qz_xml.h"
#include "common/xml/xml_text.h"

// Failure messages show wide strings as UTF-8.
namespace doctest {
template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text)
    {
        std::string utf8;
        if (!qz_xml::internal::AppendUtf8(utf8, text))
            return "<not representable>";
        return ("L\"" + utf8 + "\"").c_str();
    }
};
} // namespace doctest

namespace xml_test {

// One single-threaded apartment for the duration of a test case.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool initialised() const { return initialised_; }

private:
    bool initialised_;
};

inline std::vector<std::wstring> ListFolder(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

inline void RemoveTree(const std::wstring& folder)
{
    for (const std::wstring& name : ListFolder(folder)) {
        std::wstring path = folder + L"\\" + name;
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

// A new folder below the temporary folder, removed with its content.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name)
    {
        wchar_t temp[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, temp);
        path_.assign(temp, length);
        if (!path_.empty() && path_.back() == L'\\')
            path_.pop_back();
        path_ += L"\\" + name + L"-" + std::to_wstring(GetCurrentProcessId());
        RemoveTree(path_);
        created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool created() const { return created_; }
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
    bool created_;
};

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// A document made from markup in memory, for tests that need no file.
inline qz_xml::QXMLDocument DocumentFromMarkup(const std::wstring& markup)
{
    qz_xml::QXMLDocument document;
    if (!document.Create())
        return qz_xml::QXMLDocument();
    BSTR text = SysAllocString(markup.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document.GetTypedInterface()->loadXML(text, &loaded);
    SysFreeString(text);
    if (FAILED(hr) || loaded == VARIANT_FALSE)
        return qz_xml::QXMLDocument();
    return document;
}

// The DOM's own serialisation of a node, to compare two documents' content.
inline std::wstring MarkupOf(const qz_xml::QXMLNode& node)
{
    if (!node.IsValid())
        return L"<invalid>";
    BSTR markup = nullptr;
    if (FAILED(node.GetInterface()->get_xml(&markup)) || !markup)
        return L"<failed>";
    std::wstring result(markup, SysStringLen(markup));
    SysFreeString(markup);
    return result;
}

inline std::vector<std::wstring> TextsOf(qz_xml::QXMLNodeList list)
{
    std::vector<std::wstring> texts;
    for (qz_xml::QXMLNode& node : list)
        texts.push_back(node.GetText());
    return texts;
}

} // namespace xml_test
