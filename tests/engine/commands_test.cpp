// SPDX-License-Identifier: MIT
// The commands from outside: whatever is encrypted decrypts back and the
// other way round, for every byte and 16-bit code unit; counts the cipher
// does not offer are refused, leaving the wheels unkeyed.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "test_support.h"

#include <span>
#include <stdexcept>

namespace velmor {
namespace {

TEST(Commands, RoundTripAnyTextEveryWheelAndPassCount)
{
    std::mt19937 rng(7);
    WheelState state;
    state.LoadWheels();
    const std::size_t lengths[] = {0, 1, 97, test::kFullSample ? 6000U : 800U};
    for (const int wheels : test::sampledWheelCounts()) {
        ASSERT_TRUE(state.setWheelCount(wheels));
        for (const int passes : kPassCounts)
            for (const std::size_t length : lengths)
                for (const Direction first : {Direction::Encrypt, Direction::Decrypt}) {
                    SCOPED_TRACE(testing::Message() << wheels << " wheels, " << passes << " passes, length " << length
                                                    << (first == Direction::Encrypt ? ", encrypt first" : ""));
                    const Direction second = first == Direction::Encrypt ? Direction::Decrypt : Direction::Encrypt;
                    const std::u16string password = test::randomPassword(rng);
                    const std::string bytes = test::bytesOf(test::randomText(rng, length, false));
                    std::string text = bytes;
                    Cipher::forPassword(password, wheels, passes, first, length).apply(text, 0);
                    if (length > 96) {
                        EXPECT_NE(text, bytes) << "left as it was";
                    }
                    Cipher::forPassword(password, wheels, passes, second, length).apply(text, 0);
                    ASSERT_EQ(text, bytes);

                    const std::u16string units = test::unitsOf(test::randomText(rng, length, true));
                    std::u16string wide = units;
                    runPasses(state, first, password, passes, std::span<char16_t>(wide), 2);
                    runPasses(state, second, password, passes, std::span<char16_t>(wide));
                    ASSERT_EQ(wide, units);
                }
    }
}

TEST(Commands, CountsTheCipherDoesNotOfferAreRefused)
{
    WheelState state;
    state.LoadWheels();
    for (const int passes : {0, 2, 4, 13, -1}) {
        SCOPED_TRACE(testing::Message() << passes << " passes");
        std::string text = "unchanged";
        EXPECT_THROW(runPasses(state, Direction::Encrypt, u"pw", passes, std::span<char>(text)), std::invalid_argument);
        EXPECT_EQ(text, "unchanged");
        for (int k = 1; k <= kWheelTotal; ++k) EXPECT_EQ(state.workingWheel(k), state.pristineWheel(k)) << "wheel " << k;
        EXPECT_THROW(Cipher::forPassword(u"pw", 20, passes, Direction::Decrypt), std::invalid_argument);
    }
    for (const int wheels : {0, 2, 3, 5, 31, 32}) {
        EXPECT_THROW(Cipher::forPassword(u"pw", wheels, 1, Direction::Encrypt), std::invalid_argument) << wheels;
        EXPECT_FALSE(state.setWheelCount(wheels)) << wheels;
    }
    EXPECT_EQ(state.wheelCount(), 20);
}

}  // namespace
}  // namespace velmor
