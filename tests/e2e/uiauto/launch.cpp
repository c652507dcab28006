#include "uiauto/launch.h"

#include <cwchar>

namespace uiauto {

namespace {

bool IsOverridden(const wchar_t* entry, const LaunchOptions& options)
{
    // Entries such as "=C:=C:\" start with '='; their name runs to the second '='.
    const wchar_t* equals = std::wcschr(entry + 1, L'=');
    size_t nameLength = equals ? static_cast<size_t>(equals - entry) : std::wcslen(entry);
    for (const auto& variable : options.environment) {
        if (variable.first.size() == nameLength && _wcsnicmp(variable.first.c_str(), entry, nameLength) == 0)
            return true;
    }
    return false;
}

// The caller's environment with the extra variables; empty when there are none.
std::wstring BuildEnvironment(const LaunchOptions& options)
{
    std::wstring block;
    if (options.environment.empty())
        return block;
    ScopedEnvironmentStrings current;
    for (const wchar_t* entry = current.Get(); entry && *entry; entry += std::wcslen(entry) + 1) {
        if (!IsOverridden(entry, options))
            block.append(entry).push_back(L'\0');
    }
    for (const auto& variable : options.environment)
        block.append(variable.first).append(L"=").append(variable.second).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

// A primary token for the limited side of the caller's split log-on; null
// when the caller's token has none.
ScopedHandle LimitedToken()
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return ScopedHandle();
    ScopedHandle token(own);
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenLinkedToken, &linked, sizeof(linked), &size))
        return ScopedHandle();
    ScopedHandle limited(linked.LinkedToken);
    HANDLE primary = nullptr;
    if (!DuplicateTokenEx(limited.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary))
        return ScopedHandle();
    return ScopedHandle(primary);
}

} // namespace

StartedProcess StartProgram(const LaunchOptions& options)
{
    StartedProcess started;
    std::wstring commandLine = QuoteArgument(options.program);
    if (!options.arguments.empty())
        commandLine.append(L" ").append(options.arguments);
    std::vector<wchar_t> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back(L'\0');
    std::wstring environment = BuildEnvironment(options);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ScopedHandle token;
    if (options.withoutElevation) {
        token = LimitedToken();
        if (!token.Get()) {
            started.error = GetLastError() == ERROR_SUCCESS ? ERROR_NO_TOKEN : GetLastError();
            return started;
        }
    }
    void* environmentBlock = environment.empty() ? nullptr : const_cast<wchar_t*>(environment.data());
    const wchar_t* workingFolder = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
    BOOL created = token ? CreateProcessAsUserW(token.Get(), options.program.c_str(), mutableCommandLine.data(),
                                                nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                                environmentBlock, workingFolder, &startup, &info)
                         : CreateProcessW(options.program.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE,
                                          CREATE_UNICODE_ENVIRONMENT, environmentBlock, workingFolder, &startup,
                                          &info);
    if (!created) {
        started.error = GetLastError();
        return started;
    }
    ScopedHandle thread(info.hThread);
    started.process.Reset(info.hProcess);
    started.processId = info.dwProcessId;
    return started;
}

std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

} // namespace uiauto
