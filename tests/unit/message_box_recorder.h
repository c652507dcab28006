#pragma once

// Records the message boxes that the code under test shows and answers them
// from a list, instead of showing them. One recorder at a time.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "common/win/message_box.h"
#include "common/win/text.h"

struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT flags;
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder() : previous_(SetMessageBoxHandler(Record))
    {
        boxes().clear();
        answers().clear();
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(previous_); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // Answers for the next boxes, in order; once used up, boxes get IDOK.
    void Answer(int button) { answers().push_back(button); }

    const std::vector<RecordedBox>& Boxes() const { return boxes(); }

private:
    static std::vector<RecordedBox>& boxes()
    {
        static std::vector<RecordedBox> recorded;
        return recorded;
    }
    static std::deque<int>& answers()
    {
        static std::deque<int> queued;
        return queued;
    }
    static int Record(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
    {
        boxes().push_back(RecordedBox{owner, text, title, flags});
        if (answers().empty())
            return IDOK;
        int answer = answers().front();
        answers().pop_front();
        return answer;
    }

    MessageBoxHandler previous_;
};

// Makes LoadText read packsetup's string tables for the time of a test.
class PackSetupTexts {
public:
    explicit PackSetupTexts(const std::wstring& packsetupPath)
        : module_(LoadLibraryExW(packsetupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)),
          previous_(GetResourceModule())
    {
        SetResourceModule(module_);
    }
    ~PackSetupTexts()
    {
        SetResourceModule(previous_);
        if (module_)
            FreeLibrary(module_);
    }
    PackSetupTexts(const PackSetupTexts&) = delete;
    PackSetupTexts& operator=(const PackSetupTexts&) = delete;

    bool Loaded() const { return module_ != nullptr; }

private:
    HMODULE module_;
    HINSTANCE previous_;
};
