#include "unsetup/core_arguments.h"

#include <climits>
#include <cwctype>

namespace {

// One "%d": advances past the number; false when there is none or it does
// not fit in an int.
bool ReadDecimal(const wchar_t*& text, int& value)
{
    while (std::iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    if (*text < L'0' || *text > L'9')
        return false;
    long long magnitude = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        magnitude = magnitude * 10 + (*text - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

} // namespace

bool IsCoreArguments(const wchar_t* arguments)
{
    return arguments && arguments[0] == L'/' && arguments[1] == L'u';
}

bool ReadCoreArguments(const wchar_t* arguments, CoreArguments& parsed)
{
    if (!IsCoreArguments(arguments))
        return false;
    const wchar_t* text = arguments + 2;
    int flag = 0;
    int processId = 0;
    if (!ReadDecimal(text, flag) || *text != L',')
        return false;
    ++text;
    if (!ReadDecimal(text, processId))
        return false;
    int handle = 0;
    if (*text == L',') {
        ++text;
        if (!ReadDecimal(text, handle) || handle < 0)
            handle = 0;
    }
    parsed.deleteUserData = flag != 0;
    parsed.launcherProcessId = static_cast<DWORD>(processId);
    parsed.launcherHandle = static_cast<DWORD>(handle);
    return true;
}
