#include "support/program_run.h"

namespace e2e {

std::wstring FolderOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

uiauto::RunResult RunProgram(const std::wstring& program, const std::wstring& arguments,
                             const uiauto::AnswerRules& rules, unsigned long timeoutMs)
{
    uiauto::LaunchOptions options;
    options.program = program;
    options.arguments = arguments;
    options.workingFolder = FolderOf(program);
    return uiauto::Run(options, rules, timeoutMs);
}

} // namespace e2e
