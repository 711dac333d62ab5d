// SPDX-License-Identifier: MIT
// Forces one walk through the cipher's period table while it lives, for the
// tests and benchmarks that go through every walk the processor runs.
#pragma once

#include "engine/period_table.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace velmor::test {

class ForcedWalk {
public:
    explicit ForcedWalk(const std::string& walk)
    {
        if (const char* const previous = std::getenv(kTableWalkVariable)) previous_ = previous;
        ::setenv(kTableWalkVariable, walk.c_str(), 1);
    }
    ~ForcedWalk()
    {
        if (previous_)
            ::setenv(kTableWalkVariable, previous_->c_str(), 1);
        else
            ::unsetenv(kTableWalkVariable);
    }
    ForcedWalk(const ForcedWalk&) = delete;
    ForcedWalk& operator=(const ForcedWalk&) = delete;

private:
    std::optional<std::string> previous_;
};

}  // namespace velmor::test
