#pragma once

#include <cstdio>
#include <cstdlib>

// Checks an invariant inside a fuzz target; on failure names the check and the input
// (when the replay knows it) and aborts, which both libFuzzer and ctest see as a failure.
#define KX_FUZZ_CHECK(condition)                                                                   \
    ((condition) ? void() : kxfuzz::fail(#condition, __FILE__, __LINE__))

namespace kxfuzz {

// The file being replayed, or nullptr under libFuzzer (which saves the input itself).
inline const char* currentInput = nullptr;

[[noreturn]] inline void fail(const char* check, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, check);
    if (currentInput)
        std::fprintf(stderr, "input: %s\n", currentInput);
    std::fflush(stderr);
    std::abort();
}

} // namespace kxfuzz
