// SPDX-License-Identifier: MIT
// The commands from outside, on every walk through the period table that the
// processor runs: the published known answers from a cipher sized to the
// text and from the period table, whole and from an odd first position far
// on, and from the window's UTF-16 passes. The longest rows span whole blocks of periods,
// tiles of fewer periods and a rest, so every path of a walk is reached.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "forced_walk.h"
#include "known_answers.h"

#include <gtest/gtest.h>

#include <span>

namespace velmor {
namespace {

class KnownAnswers : public testing::TestWithParam<std::string> {
protected:
    const test::ForcedWalk walk_{GetParam()};
};

TEST_P(KnownAnswers, EngineGivesEveryRow)
{
    const auto rows = test::knownAnswers();
    ASSERT_GE(rows.size(), 39U);
    WheelState state;
    state.LoadWheels();
    for (const test::KnownAnswer& row : rows) {
        SCOPED_TRACE(row.name());
        const std::u16string password = row.passwordText();
        const Cipher sized = Cipher::forPassword(password, row.wheels, row.passes, row.direction, row.input.size());
        const Cipher table = Cipher::forPassword(password, row.wheels, row.passes, row.direction);
        std::string bytes = row.input;
        sized.apply(std::span<char>(bytes), 0);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "sized to the text";
        bytes = row.input;
        table.applyParallel(bytes, 0, 3);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "by the period table";
        // From a first position off every group of 8, 32 or 64 rows of the
        // table, told as a billion periods further on, beyond 32 bits.
        const std::size_t odd = std::min<std::size_t>(row.input.size(), 1 + 2 * (row.line % 15));
        for (const Cipher* cipher : {&sized, &table}) {
            bytes = row.input.substr(odd);
            cipher->apply(std::span<char>(bytes), odd + std::uint64_t{1'000'000'007} * cipher->period());
            EXPECT_TRUE(test::sameText(bytes, row.output.substr(odd))) << "from position " << odd;
        }

        auto units = test::widened(row.input);
        ASSERT_TRUE(state.setWheelCount(row.wheels));
        runPasses(state, row.direction, password, row.passes, std::span<char16_t>(units), 2);
        EXPECT_TRUE(test::sameText(units, test::widened(row.output))) << "as the window's UTF-16 text";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWalk, KnownAnswers, testing::ValuesIn(runnableTableWalks()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace velmor
