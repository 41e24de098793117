// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <cstdlib>

// A violated invariant ends the run at once, so that libFuzzer keeps the
// input and the replay test fails on it.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            std::fprintf(stderr, "%s:%d: invariant violated: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                      \
        }                                                                                                      \
    } while (false)
