// The application manifests of both programs, as built: each names this
// build's processor, so that Windows gives the 64-bit build that the tests
// run the common controls 6 of the shipped 32-bit programs (marquee bars,
// tooltips, visual styles), not the system folder's version 5.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/unit/build_tree.h"

namespace {

// The side-by-side assembly folder that the manifest in the given program
// sends comctl32.dll to, as the loader resolves it; empty when the manifest
// cannot be activated (Windows refuses a foreign processor) or sends it
// nowhere. This process has the system folder's comctl32.dll loaded already,
// so the mapping is asked for rather than a second copy loaded.
std::wstring CommonControlsAssemblyFor(const std::wstring& program)
{
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE)
        return L"";
    std::wstring folder;
    ULONG_PTR cookie = 0;
    if (ActivateActCtx(context, &cookie)) {
        ACTCTX_SECTION_KEYED_DATA found = {};
        found.cbSize = sizeof(found);
        if (FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                     ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &found)) {
            DWORD index = found.ulAssemblyRosterIndex;
            SIZE_T needed = 0;
            QueryActCtxW(0, found.hActCtx, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0,
                         &needed);
            std::vector<BYTE> buffer(needed);
            if (needed > 0
                && QueryActCtxW(0, found.hActCtx, &index, AssemblyDetailedInformationInActivationContext,
                                buffer.data(), needed, &needed)) {
                const auto* assembly =
                    reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
                if (assembly->lpAssemblyDirectoryName)
                    folder = assembly->lpAssemblyDirectoryName;
            }
            ReleaseActCtx(found.hActCtx);
        }
        DeactivateActCtx(0, cookie);
    }
    ReleaseActCtx(context);
    CharLowerBuffW(&folder[0], static_cast<DWORD>(folder.size()));
    return folder;
}

} // namespace

TEST_CASE("both programs' manifests give this build the common controls 6")
{
    const std::wstring expected = std::wstring(sizeof(void*) == 8 ? L"amd64_" : L"x86_")
        + L"microsoft.windows.common-controls_6595b64144ccf1df_6.0.";
    for (const wchar_t* program : {L"packsetup\\packsetup.exe", L"unsetup\\unsetup.exe"}) {
        std::wstring folder = CommonControlsAssemblyFor(build_tree::PathOf(program));
        INFO(std::string(program, program + lstrlenW(program)));
        CHECK(folder.compare(0, expected.size(), expected) == 0);
    }
}
