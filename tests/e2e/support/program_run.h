#pragma once

#include "uiauto/session.h"

#include <string>

namespace e2e {

// Long enough for a slow Wine start, short enough that a hung program fails
// the test well before CTest's own timeout.
const unsigned long kProgramTimeoutMs = 30000;

// Runs a program from its own folder until it and its descendants end,
// answering message boxes by the rules.
uiauto::RunResult RunProgram(const std::wstring& program, const std::wstring& arguments,
                             const uiauto::AnswerRules& rules = uiauto::AnswerRules(),
                             unsigned long timeoutMs = kProgramTimeoutMs);

std::wstring FolderOf(const std::wstring& path);

} // namespace e2e
