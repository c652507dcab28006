#pragma once

// Readable doctest output for wide strings and automation records.
#include <doctest/doctest.h>

#include "support/utf8.h"
#include "uiauto/message_box.h"
#include "uiauto/session.h"

#include <string>
#include <vector>

namespace doctest {

template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text) { return ("\"" + e2e::ToUtf8(text) + "\"").c_str(); }
};

template <>
struct StringMaker<uiauto::IconKind> {
    static String convert(uiauto::IconKind kind) { return e2e::ToUtf8(uiauto::IconKindName(kind)).c_str(); }
};

} // namespace doctest

namespace e2e {

// One line per message box, for INFO when a check fails.
std::string Describe(const std::vector<uiauto::MessageBoxRecord>& boxes);
// The message boxes, then one line per process of the run.
std::string Describe(const uiauto::RunResult& run);

} // namespace e2e
