// The passes and the commands on the engine: their edge cases, and the engine's answers to what the
// cipher does not offer.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "test_support.h"

#include <set>
#include <span>
#include <stdexcept>

namespace velmor {
namespace {

using test::Text;

class Passes : public ::testing::Test {
protected:
    void SetUp() override { state.LoadWheels(); }

    std::string encrypt(std::string_view text, std::u16string_view password = u"pw")
    {
        state.KeyWheels(password);
        state.setStepWheel(1);
        std::string result = state.EncryptPass(text);
        state.RestoreWheels();
        return result;
    }
    std::string decrypt(std::string_view text, std::u16string_view password = u"pw", int stepWheel = 1)
    {
        state.KeyWheels(password);
        state.setStepWheel(stepWheel);
        std::string result = state.DecryptPass(text);
        state.RestoreWheels();
        return result;
    }
    std::string command(Direction direction, std::string text, int passes, std::u16string_view password = u"pw")
    {
        runPasses(state, direction, password, passes, std::span<char>(text));
        return text;
    }

    WheelState state;
};

TEST_F(Passes, AnEmptyTextGivesAnEmptyResultAndStillRebuildsTheArrays)
{
    state.KeyWheels(u"x");
    state.FillWheelArrays();
    state.setStepWheel(5);
    state.StepWheels();
    state.setStepWheel(1);
    EXPECT_EQ(state.EncryptPass<char>(""), "");
    EXPECT_EQ(state.stepWheel(), 1);
    for (int i = 1; i <= 96; ++i) EXPECT_EQ(state.wheelArrayElement(5, i), state.workingWheel(5).charAt(i - 1));
    state.setStepWheel(9);
    EXPECT_EQ(state.DecryptPass<char16_t>(u""), u"");
    EXPECT_EQ(state.stepWheel(), 1);
    for (const Direction direction : {Direction::Encrypt, Direction::Decrypt})
        for (const int passes : kPassCounts) EXPECT_EQ(command(direction, "", passes), "");
}

TEST_F(Passes, LineBreaksAndQuotesComeOutUnchangedButStillStep)
{
    const std::string text = "\r\n\"\"\r\n\r";
    EXPECT_EQ(encrypt(text), text);
    EXPECT_EQ(state.stepWheel(), static_cast<int>(text.size()) % 20 + 1);
    EXPECT_EQ(decrypt(text), text);
    // Letters around them still decrypt: they step the wheels like others.
    const std::string mixed = "ab\r\ncd\"ef\"\r\ngh";
    const std::string cipher = encrypt(mixed);
    EXPECT_EQ(decrypt(cipher), mixed);
    // "gh" comes out differently after the line breaks than right at the start.
    EXPECT_NE(cipher.substr(12), encrypt("gh"));
}

TEST_F(Passes, OutputKeepsLengthPositionsAndTheAlphabet)
{
    std::mt19937 rng(51);
    for (const int wheels : {4, 20, 30}) {
        ASSERT_TRUE(state.setWheelCount(wheels));
        const std::string text = test::bytesOf(test::randomText(rng, 3000));
        const std::string cipher = encrypt(text);
        ASSERT_EQ(cipher.size(), text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool alphabet = symbolOf(codeOf(text[i])) != kNotInAlphabet;
            EXPECT_EQ(symbolOf(codeOf(cipher[i])) != kNotInAlphabet, alphabet) << i;
            if (!alphabet) {
                EXPECT_EQ(cipher[i], text[i]) << i;
            }
        }
    }
}

TEST_F(Passes, EveryCharacterOfTheAlphabetGetsItsOwnSubstitute)
{
    // At one position a pass is a permutation: "a" and "A" differ, and so does
    // every other pair of alphabet characters.
    std::set<std::string> seen;
    for (int s = 0; s < 96; ++s) seen.insert(encrypt(std::string(1, static_cast<char>(charOf(static_cast<Symbol>(s))))));
    EXPECT_EQ(seen.size(), 96U);
    EXPECT_NE(encrypt("a"), encrypt("A"));
}

TEST_F(Passes, TheSameInputAlwaysGivesTheSameResult)
{
    const std::string text = "The same text, password and wheel count.";
    const std::string first = encrypt(text);
    decrypt("anything in between", u"other");
    ASSERT_TRUE(state.setWheelCount(8));
    encrypt(text);
    ASSERT_TRUE(state.setWheelCount(20));
    EXPECT_EQ(encrypt(text), first);
}

TEST_F(Passes, DecryptPassIgnoresTheCursorOnEntry)
{
    const std::string cipher = encrypt("Cursor on entry does not matter");
    for (const int entry : {1, 7, 0, 20, 31, -5}) EXPECT_EQ(decrypt(cipher, u"pw", entry), "Cursor on entry does not matter");
}

TEST_F(Passes, AWrongPasswordOrWheelCountIsNoError)
{
    const std::string text = "Secret text";
    const std::string cipher = encrypt(text);
    const std::string wrongPassword = decrypt(cipher, u"pW");
    EXPECT_EQ(wrongPassword.size(), text.size());
    EXPECT_NE(wrongPassword, text);
    ASSERT_TRUE(state.setWheelCount(22));
    const std::string wrongCount = decrypt(cipher);
    EXPECT_EQ(wrongCount.size(), text.size());
    EXPECT_NE(wrongCount, text);
}

TEST_F(Passes, OnlyThePairsInUseSubstitute)
{
    // Wheel count 4 uses pairs 1 and 2: keying wheels 5..30 changes nothing,
    // keying wheel 4 does.
    ASSERT_TRUE(state.setWheelCount(4));
    const std::string text = "Only pairs one and two take part.";
    const std::string base = encrypt(text, u"abcd");
    EXPECT_EQ(encrypt(text, u"abcdefghijklmnop"), base);
    EXPECT_NE(encrypt(text, u"abcE"), base);
}

// ---- Commands ---------------------------------------------------------------

TEST_F(Passes, ACommandIsItsPassesInTurn)
{
    const std::string text = "Encrypt 3 is Encrypt 1 made three times.\r\n";
    std::string byHand = text;
    for (int i = 0; i < 3; ++i) byHand = encrypt(byHand);
    EXPECT_EQ(command(Direction::Encrypt, text, 3), byHand);
    std::string back = byHand;
    for (int i = 0; i < 3; ++i) back = decrypt(back);
    EXPECT_EQ(back, text);
    EXPECT_EQ(command(Direction::Decrypt, byHand, 3), text);
    // Decrypt 3 after Encrypt 6 leaves the text enciphered three times.
    EXPECT_EQ(command(Direction::Decrypt, command(Direction::Encrypt, text, 6), 3), byHand);
}

TEST_F(Passes, EveryCommandLeavesTheWheelsRestored)
{
    for (const Direction direction : {Direction::Encrypt, Direction::Decrypt})
        for (const int passes : kPassCounts) {
            command(direction, "restore me", passes, u"keyed");
            for (int k = 1; k <= 30; ++k) EXPECT_EQ(state.workingWheel(k), state.pristineWheel(k));
        }
}

TEST_F(Passes, CountsTheCipherDoesNotOfferAreRefused)
{
    for (const int passes : {0, 2, 4, 13, -1}) {
        std::string text = "unchanged";
        EXPECT_THROW(runPasses(state, Direction::Encrypt, u"pw", passes, std::span<char>(text)), std::invalid_argument);
        EXPECT_EQ(text, "unchanged");
        // The state is as it was: in particular the wheels are not left keyed.
        for (int k = 1; k <= 30; ++k) EXPECT_EQ(state.workingWheel(k), state.pristineWheel(k)) << passes;
        EXPECT_THROW(Cipher::forPassword(u"pw", 20, passes, Direction::Decrypt), std::invalid_argument);
    }
    for (const int wheels : {0, 2, 3, 5, 31, 32})
        EXPECT_THROW(Cipher::forPassword(u"pw", wheels, 1, Direction::Encrypt), std::invalid_argument);
}

TEST_F(Passes, ParallelApplyCopesWithAnyThreadCount)
{
    const Cipher cipher = Cipher::forPassword(u"threads", 20, 6, Direction::Encrypt);
    for (const std::size_t length : {0, 1, 2, 7, 5000}) {
        std::string expected(length, 'x');
        cipher.apply(std::span<char>(expected), 3);
        for (const unsigned threads : {0U, 1U, 2U, 3U, 16U}) {
            std::string text(length, 'x');
            cipher.applyParallel(std::span<char>(text), 3, threads);
            EXPECT_EQ(text, expected) << length << " characters, " << threads << " threads";
        }
    }
}

}  // namespace
}  // namespace velmor
