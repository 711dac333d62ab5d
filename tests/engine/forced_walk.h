// SPDX-License-Identifier: MIT
// Forces one walk through the cipher's period table while it lives, for the
// tests and benchmarks that go through every walk the processor runs.
#pragma once

#include "engine/period_table.h"

#include <cstdlib>
#include <string>

namespace velmor::test {

class ForcedWalk {
public:
    explicit ForcedWalk(const std::string& walk) { ::setenv(kTableWalkVariable, walk.c_str(), 1); }
    ~ForcedWalk() { ::unsetenv(kTableWalkVariable); }
    ForcedWalk(const ForcedWalk&) = delete;
    ForcedWalk& operator=(const ForcedWalk&) = delete;
};

}  // namespace velmor::test
