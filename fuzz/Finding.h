#pragma once
// Shared by the fuzz targets: a broken promise is reported with the texts involved and then
// ends the run, so libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace Fuzz {

[[noreturn]] inline void finding(const char* what, const std::string& first = "",
                                 const std::string& second = "") {
    std::fprintf(stderr, "FINDING: %s\n", what);
    if (!first.empty())
        std::fprintf(stderr, "--- first ---\n%s\n", first.c_str());
    if (!second.empty())
        std::fprintf(stderr, "--- second ---\n%s\n", second.c_str());
    std::abort();
}

} // namespace Fuzz
