// The end-to-end test programme. It runs under Wine and drives the built
// programs through their user interface with the uiauto library.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include "support/utf8.h"

#include <string>
#include <vector>

// The build links every program with a wide entry point.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(e2e::ToUtf8(argv[i]));
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());

    doctest::Context context(static_cast<int>(pointers.size()), pointers.data());
    return context.run();
}
