// SPDX-License-Identifier: MIT
// The commands from outside: the published known answers from a cipher sized
// to the text, from the period table with its wide walk and from the window's
// UTF-16 passes; counts the cipher does not offer are refused.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "known_answers.h"

#include <gtest/gtest.h>

#include <span>
#include <stdexcept>

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

// The tool's and the window's own checks come first; these are the last line.
TEST(Commands, CountsTheCipherDoesNotOfferAreRefused)
{
    WheelState state;
    state.LoadWheels();
    for (const int passes : {0, 4, 13}) {
        std::string text = "unchanged";
        EXPECT_THROW(runPasses(state, Direction::Encrypt, u"pw", passes, std::span<char>(text)), std::invalid_argument);
        EXPECT_EQ(text, "unchanged");
        EXPECT_EQ(state.workingWheel(1), state.pristineWheel(1)) << "left keyed";
        EXPECT_THROW(Cipher::forPassword(u"pw", 20, passes, Direction::Decrypt), std::invalid_argument) << passes;
    }
    for (const int wheels : {2, 5, 32}) {
        EXPECT_THROW(Cipher::forPassword(u"pw", wheels, 1, Direction::Encrypt), std::invalid_argument) << wheels;
        EXPECT_FALSE(state.setWheelCount(wheels)) << wheels;
    }
}

}  // namespace
}  // namespace velmor
