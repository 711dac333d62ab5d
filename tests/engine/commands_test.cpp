// SPDX-License-Identifier: MIT
// The commands from outside: the published known answers from a cipher sized
// to the text, from the period table with its wide walk and from the window's
// UTF-16 passes.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "known_answers.h"

#include <gtest/gtest.h>

#include <span>

namespace velmor {
namespace {

TEST(KnownAnswers, EngineGivesEveryRow)
{
    const auto rows = test::knownAnswers();
    ASSERT_GE(rows.size(), 39U);
    WheelState state;
    state.LoadWheels();
    for (const test::KnownAnswer& row : rows) {
        SCOPED_TRACE(row.name());
        const std::u16string password = row.passwordText();
        std::string bytes = row.input;
        Cipher::forPassword(password, row.wheels, row.passes, row.direction, bytes.size()).apply(bytes, 0);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "sized to the text";

        bytes = row.input;
        Cipher::forPassword(password, row.wheels, row.passes, row.direction).applyParallel(bytes, 0, 3);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "by the period table";

        auto units = test::widened(row.input);
        ASSERT_TRUE(state.setWheelCount(row.wheels));
        runPasses(state, row.direction, password, row.passes, std::span<char16_t>(units), 2);
        EXPECT_TRUE(test::sameText(units, test::widened(row.output))) << "as the window's UTF-16 text";
    }
}

}  // namespace
}  // namespace velmor
