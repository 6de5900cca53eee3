// The library's math-error hook in a process that loads and unloads the library by name, as the
// program's binding does, with a hook of the process's own in place before it.
#include <gtest/gtest.h>

#include <windows.h>

#include <math.h>

#include <cmath>
#include <cstring>

namespace {

constexpr double kSingularityAnswer = 65535.0;
constexpr double kOwnAnswer = -12.0;

// A hook the process had before the library came.
int __cdecl OwnHook(struct _exception* e) {
    e->retval = kOwnAnswer;
    return 1;
}

// Whether a loaded module imports the function from the DLL by name.
bool ImportsByName(HMODULE module, const char* dll, const char* function) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;
    for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); desc->Name;
         ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
        const DWORD names = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + names); thunk->u1.AddressOfData; ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) return true;
        }
    }
    return false;
}

TEST(VK40MathErrors, TheLibrarysHookServesTheProcessWhileItIsLoaded) {
    volatile double zero = 0.0;
    volatile double negative = -1000.0;
    volatile double outOfDomain = 2.0;
    __setusermatherr(OwnHook);
    ASSERT_EQ(log10(zero), kOwnAnswer) << "the runtime consults the process's hook";

    HMODULE library = LoadLibraryA("VK40.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_DOUBLE_EQ(log10(negative), 3.0);
    EXPECT_EQ(log10(zero), kSingularityAnswer);
    EXPECT_TRUE(std::isnan(acos(outOfDomain))) << "other domain errors keep the runtime's answer";
    // The library's own logarithms are the runtime DLL's, which answer what the hook says.
    EXPECT_TRUE(ImportsByName(library, "msvcrt.dll", "log"));
    EXPECT_TRUE(ImportsByName(library, "msvcrt.dll", "log10"));

    ASSERT_TRUE(FreeLibrary(library));
    ASSERT_EQ(GetModuleHandleA("VK40.dll"), nullptr) << "unloaded";
    // No hook is left pointing into the unloaded library: the runtime answers by itself.
    EXPECT_EQ(log10(zero), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(log10(negative)));
}

}  // namespace
