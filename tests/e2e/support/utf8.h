#pragma once

#include <string>

namespace e2e {

std::string ToUtf8(const std::wstring& text);

} // namespace e2e
