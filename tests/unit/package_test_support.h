#pragma once

// Helpers shared by the tests of the copy engine, the removal routines and
// the manifest update: files of a given size, counted retry pauses and a
// clean installer state.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <doctest/doctest.h>

#include "common/win/message_box.h"
#include "packsetup/installer_state.h"
#include "packsetup/retry_wait.h"
#include "xml_test_support.h"

namespace package_test {

// A file of the given size filled with a byte pattern that depends on the seed.
inline bool WriteSizedFile(const std::wstring& path, DWORD size, char seed = 'a')
{
    std::string bytes(size, '\0');
    for (DWORD i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i % 23);
    return xml_test::WriteBytes(path, bytes);
}

inline bool MakeFolder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

inline bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Records the retry pauses instead of sleeping, while it lives.
class CountedWaits {
public:
    CountedWaits() : previous_(SetRetryWaitForTesting(Record)) { waits().clear(); }
    ~CountedWaits() { SetRetryWaitForTesting(previous_); }
    CountedWaits(const CountedWaits&) = delete;
    CountedWaits& operator=(const CountedWaits&) = delete;

    static std::vector<DWORD>& waits()
    {
        static std::vector<DWORD> recorded;
        return recorded;
    }

private:
    static void Record(DWORD milliseconds) { waits().push_back(milliseconds); }
    RetryWaitFunction previous_;
};

// Empty installed lists and no cancel request before and after a test.
class CleanInstallerState {
public:
    CleanInstallerState() { Reset(); }
    ~CleanInstallerState() { Reset(); }
    CleanInstallerState(const CleanInstallerState&) = delete;
    CleanInstallerState& operator=(const CleanInstallerState&) = delete;

private:
    static void Reset()
    {
        InstallerState& state = Installer();
        state.installedFiles.clear();
        state.installedFolders.Clear();
        state.cancelRequested.Clear();
        state.definition.caption = L"Test Pack";
    }
};

typedef std::vector<std::wstring> Paths;

struct ShownBox {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT flags;
};

// Records the message boxes shown while it lives and answers each with the
// next scripted reply, which may act first (let a file go, say); IDCANCEL
// once the script is used up. Boxes may come from another thread while the
// scripting thread waits for it.
class ScriptedBoxes {
public:
    ScriptedBoxes() : previous_(SetMessageBoxHandler(Show))
    {
        shown().clear();
        script().clear();
    }
    ~ScriptedBoxes() { SetMessageBoxHandler(previous_); }
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    void Answer(int button) { script().push_back([button] { return button; }); }
    void Answer(std::function<int()> reply) { script().push_back(reply); }
    const std::vector<ShownBox>& Shown() const { return shown(); }

private:
    static std::vector<ShownBox>& shown()
    {
        static std::vector<ShownBox> boxes;
        return boxes;
    }
    static std::deque<std::function<int()>>& script()
    {
        static std::deque<std::function<int()>> replies;
        return replies;
    }
    static int Show(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
    {
        shown().push_back(ShownBox{owner, text, title, flags});
        if (script().empty())
            return IDCANCEL;
        std::function<int()> reply = script().front();
        script().pop_front();
        return reply();
    }

    MessageBoxHandler previous_;
};

} // namespace package_test
