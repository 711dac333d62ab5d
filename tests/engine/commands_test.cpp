// SPDX-License-Identifier: MIT
// The commands from outside: whatever is encrypted decrypts back and the
// other way round, for every byte and 16-bit code unit; the working wheels end
// restored; counts the cipher does not offer are refused.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "test_support.h"

#include <span>
#include <stdexcept>

namespace velmor {
namespace {

void expectRestored(const WheelState& state)
{
    for (int k = 1; k <= kWheelTotal; ++k) EXPECT_EQ(state.workingWheel(k), state.pristineWheel(k)) << "wheel " << k;
}

TEST(Commands, RoundTripAnyTextEveryWheelAndPassCount)
{
    std::mt19937 rng(7);
    WheelState state;
    state.LoadWheels();
    for (const int wheels : test::sampledWheelCounts()) {
        ASSERT_TRUE(state.setWheelCount(wheels));
        for (const int passes : kPassCounts) {
            const std::size_t longest = test::kFullSample ? 6000 : 800;
            for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{97}, longest}) {
                SCOPED_TRACE(testing::Message() << wheels << " wheels, " << passes << " passes, length " << length);
                const std::u16string password = test::randomPassword(rng);
                for (const Direction first : {Direction::Encrypt, Direction::Decrypt}) {
                    const Direction second = first == Direction::Encrypt ? Direction::Decrypt : Direction::Encrypt;
                    const std::string bytes = test::bytesOf(test::randomText(rng, length, false));
                    std::string text = bytes;
                    Cipher::forPassword(password, wheels, passes, first, length).apply(text, 0);
                    EXPECT_TRUE(length <= 96 || text != bytes) << "left as it was";
                    Cipher::forPassword(password, wheels, passes, second, length).apply(text, 0);
                    ASSERT_EQ(text, bytes);

                    const std::u16string units = test::unitsOf(test::randomText(rng, length, true));
                    std::u16string wide = units;
                    runPasses(state, first, password, passes, std::span<char16_t>(wide), 2);
                    expectRestored(state);
                    runPasses(state, second, password, passes, std::span<char16_t>(wide));
                    ASSERT_EQ(wide, units);
                }
            }
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
        expectRestored(state);  // not left keyed
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
