// Decrypting what was encrypted gives the text back, and encrypting what was
// decrypted gives it back too: for every wheel count and pass count, any byte
// string and any 16-bit text, through the table and position by position,
// through the commands on the state object and through single passes.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "test_support.h"

#include <random>
#include <span>
#include <string>

namespace velmor {
namespace {

using test::Width;

std::string randomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    return text;
}

std::u16string randomUnits(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<int> kind(0, 3);
    std::u16string text(length, u'\0');
    for (char16_t& c : text) c = static_cast<char16_t>(kind(rng) == 0 ? unit(rng) : unit(rng) % 256);
    return text;
}

Direction other(Direction direction)
{
    return direction == Direction::Encrypt ? Direction::Decrypt : Direction::Encrypt;
}

TEST(RoundTrip, AnyBytesSurviveEveryWheelAndPassCount)
{
    std::mt19937 rng(7);
    for (const int wheels : test::sampledWheelCounts()) {
        for (const int passes : kPassCounts) {
            for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{97}, std::size_t{6000}}) {
                const std::string original = randomBytes(rng, length);
                const std::u16string password = u"pa\u00A3ss\"word";
                for (const Direction first : {Direction::Encrypt, Direction::Decrypt}) {
                    std::string text = original;
                    Cipher::forPassword(password, wheels, passes, first, length).apply(text, 0);
                    if (length > 96) {
                        EXPECT_NE(text, original);
                    }
                    Cipher::forPassword(password, wheels, passes, other(first), length).apply(text, 0);
                    ASSERT_EQ(text, original) << wheels << " wheels, " << passes << " passes, length " << length;
                }
            }
        }
    }
}

TEST(RoundTrip, AnySixteenBitTextSurvivesWholeAndInPieces)
{
    std::mt19937 rng(8);
    for (const int wheels : {4, 14, 30}) {
        for (const int passes : kPassCounts) {
            const std::u16string password = test::randomPassword(rng, wheels);
            const Cipher encrypt = Cipher::forPassword(password, wheels, passes, Direction::Encrypt);
            const Cipher decrypt = Cipher::forPassword(password, wheels, passes, Direction::Decrypt, 0);
            const std::u16string original = randomUnits(rng, 4000);
            std::u16string text = original;
            encrypt.applyParallel(std::span<char16_t>(text), 12345, 3);
            // Decrypt in two pieces, each with its own first position.
            decrypt.apply(std::span<char16_t>(text).first(1000), 12345);
            decrypt.apply(std::span<char16_t>(text).subspan(1000), 12345 + 1000);
            ASSERT_EQ(text, original) << wheels << " wheels, " << passes << " passes";
        }
    }
}

// The commands on the state object, both ways round, 8-bit and 16-bit.
TEST(RoundTrip, CommandsUndoEachOther)
{
    std::mt19937 rng(9);
    WheelState state;
    state.LoadWheels();
    for (const int wheels : test::sampledWheelCounts()) {
        ASSERT_TRUE(state.setWheelCount(wheels));
        for (const int passes : kPassCounts) {
            const std::u16string password = test::randomPassword(rng, wheels);
            const std::size_t length = std::uniform_int_distribution<std::size_t>(0, test::kFullSample ? 4000 : 800)(rng);
            for (const Direction first : {Direction::Encrypt, Direction::Decrypt}) {
                SCOPED_TRACE(testing::Message() << wheels << " wheels, " << passes << " passes, length " << length);
                const std::string bytes = randomBytes(rng, length);
                std::string text = bytes;
                runPasses(state, first, password, passes, std::span<char>(text));
                runPasses(state, other(first), password, passes, std::span<char>(text), 2);
                ASSERT_EQ(text, bytes);
                const std::u16string units = randomUnits(rng, length);
                std::u16string wide = units;
                runPasses(state, first, password, passes, std::span<char16_t>(wide), 2);
                runPasses(state, other(first), password, passes, std::span<char16_t>(wide));
                ASSERT_EQ(wide, units);
            }
        }
    }
}

// Single passes on the state object, at the lengths where the decryption
// pass changes the way it turns forward.
TEST(RoundTrip, SinglePassesUndoEachOther)
{
    std::mt19937 rng(10);
    WheelState state;
    state.LoadWheels();
    for (const int wheels : test::allWheelCounts()) {
        ASSERT_TRUE(state.setWheelCount(wheels));
        for (const std::size_t length : test::edgeLengths(wheels, rng)) {
            SCOPED_TRACE(testing::Message() << wheels << " wheels, length " << length);
            const std::u16string password = test::randomPassword(rng, wheels);
            const std::u16string original = randomUnits(rng, length);
            state.KeyWheels(password);
            state.setStepWheel(1);
            const std::u16string cipher = state.EncryptPass<char16_t>(original);
            state.RestoreWheels();
            state.KeyWheels(password);
            ASSERT_EQ(state.DecryptPass<char16_t>(cipher), original);
            // A text that no encryption made decrypts to one that encrypts back.
            const std::u16string plain = state.DecryptPass<char16_t>(original);
            state.setStepWheel(1);
            ASSERT_EQ(state.EncryptPass<char16_t>(plain), original);
            state.RestoreWheels();
        }
    }
}

}  // namespace
}  // namespace velmor
