// The literal model itself: the toy example of one pair over four letters,
// both ways DecryptPass turns forward, characters that pass through, and the
// frame of a multi-pass command. The differential tests trust it as the oracle.
#include "test_support.h"

namespace velmor {
namespace {

using literal::Command;
using literal::DecryptWay;
using literal::Machine;
using test::Text;

Text arrayText(const Machine& m, int k)
{
    const auto& a = m.wheelArray[static_cast<std::size_t>(k)];
    return Text(a.begin() + 1, a.end());
}

// The toy wheels: one pair over the letters a, b, c, d.
Machine toyMachine()
{
    Machine m;
    m.LoadWheels({U"abcd", U"cadb"});
    m.wheelCount = 2;
    return m;
}

TEST(ModelToyExample, EncryptsAaaAsThePartSays)
{
    Machine m = toyMachine();
    EXPECT_EQ(m.wheelLength, 4);
    // After each character, as the example lists them.
    const std::vector<std::tuple<Text, Text, Text, Text, int, int>> steps{
        // text, output, array 1, array 2, cursor, pairPosition 1
        {U"a", U"c", U"bcda", U"cadb", 2, 1},
        {U"aa", U"cb", U"bcda", U"bcad", 1, 4},
        {U"aaa", U"cbd", U"cdab", U"bcad", 2, 4},
    };
    for (const auto& [text, output, array1, array2, cursor, position] : steps) {
        m.stepWheel = 1;
        EXPECT_EQ(m.EncryptPass(text), output);
        EXPECT_EQ(arrayText(m, 1), array1) << "after " << text.size();
        EXPECT_EQ(arrayText(m, 2), array2) << "after " << text.size();
        EXPECT_EQ(m.stepWheel, cursor);
        EXPECT_EQ(m.pairPosition[1], position);
    }
    EXPECT_EQ(m.DecryptPass(U"cbd"), U"aaa");
    EXPECT_EQ(m.stepWheel, 1);
    EXPECT_EQ(arrayText(m, 1), U"abcd");
    EXPECT_EQ(arrayText(m, 2), U"cadb");
    // The decryption's last scan is that of the first character.
    EXPECT_EQ(m.pairPosition[1], 1);
}

TEST(ModelToyExample, RoundTripsEveryLengthBothWays)
{
    std::mt19937 rng(41);
    for (const DecryptWay way : {DecryptWay::ByLength, DecryptWay::OneByOne, DecryptWay::ByDivision}) {
        Machine m = toyMachine();
        m.decryptWay = way;
        for (std::size_t length = 0; length <= 40; ++length) {
            Text text(length, 0);
            for (char32_t& c : text) c = U"abcd\r\n\"x"[std::uniform_int_distribution<int>(0, 7)(rng)];
            m.stepWheel = 1;
            const Text cipher = m.EncryptPass(text);
            ASSERT_EQ(cipher.size(), length);
            for (std::size_t i = 0; i < length; ++i)
                if (std::u32string_view(U"abcd").find(text[i]) == std::u32string_view::npos) {
                    EXPECT_EQ(cipher[i], text[i]);
                }
            EXPECT_EQ(m.DecryptPass(cipher), text) << "length " << length;
            // And the other way round.
            const Text plain = m.DecryptPass(text);
            m.stepWheel = 1;
            EXPECT_EQ(m.EncryptPass(plain), text) << "length " << length;
        }
    }
}

// Both ways of turning forward leave the same arrays and cursor, for every length and
// wheel count, with the toy wheels and with the built-in ones.
TEST(ModelDecryptPass, BothWaysOfStepFourAgree)
{
    std::mt19937 rng(42);
    const auto check = [&](Machine m, std::size_t length) {
        const Text text = test::randomText(rng, length);
        Machine a = m;
        Machine b = m;
        a.decryptWay = DecryptWay::OneByOne;
        b.decryptWay = DecryptWay::ByDivision;
        EXPECT_EQ(a.DecryptPass(text), b.DecryptPass(text)) << length;
        EXPECT_EQ(a.wheelArray, b.wheelArray) << length;
        EXPECT_EQ(a.pairPosition, b.pairPosition) << length;
        EXPECT_EQ(a.stepWheel, b.stepWheel) << length;
    };
    for (std::size_t length = 0; length <= 30; ++length) check(toyMachine(), length);
    Machine builtin;
    builtin.LoadWheels();
    builtin.KeyWheels(U"ways");
    for (const int wheels : {4, 6, 30}) {
        builtin.wheelCount = static_cast<std::int16_t>(wheels);
        for (const std::size_t length : {0, 1, 3, 4, 5, 95, 96, 97, 120, 191, 192, 193, 1000})
            check(builtin, length);
    }
}

// Characters off the wheels pass through, step once, and leave every
// pairPosition as it was; so do CR, LF and the double quote.
TEST(ModelPassThrough, LeavesPairPositionsAndSteps)
{
    Machine m;
    m.LoadWheels();
    m.wheelCount = 30;
    m.KeyWheels(U"pass");
    m.stepWheel = 1;
    EXPECT_EQ(m.EncryptPass(U"\t\r\n\"\x7F\x80\xE9\x2019\x1F600"), U"\t\r\n\"\x7F\x80\xE9\x2019\x1F600");
    for (int j = 1; j <= 15; ++j) EXPECT_EQ(m.pairPosition[static_cast<std::size_t>(j)], 0) << j;
    EXPECT_EQ(m.stepWheel, 10);
    m.stepWheel = 1;
    const Text one = m.EncryptPass(U"Q");
    const auto positions = m.pairPosition;
    m.stepWheel = 1;
    const Text withOthers = m.EncryptPass(U"Q\t\xE9\"");
    EXPECT_EQ(withOthers, one + U"\t\xE9\"");
    EXPECT_EQ(m.pairPosition, positions);
    EXPECT_EQ(m.DecryptPass(U"\t\xE9\""), U"\t\xE9\"");
    EXPECT_EQ(m.pairPosition, positions);
    // Any non-alphabet character in place of another gives the same result
    // elsewhere.
    m.stepWheel = 1;
    const Text a = m.EncryptPass(U"ab\tcd");
    m.stepWheel = 1;
    const Text b = m.EncryptPass(U"ab\x2019" U"cd");
    EXPECT_EQ(a.substr(0, 2) + a.substr(3), b.substr(0, 2) + b.substr(3));
}

// The command frame: a command with N passes is its single passes in turn,
// keyed afresh each time, the wheels restored after each.
TEST(ModelFrame, CommandIsItsPassesInTurn)
{
    std::mt19937 rng(43);
    Machine m;
    m.LoadWheels();
    m.wheelCount = 8;
    const Text password = U"frame";
    const Text text = test::randomText(rng, 1000);
    for (const Command command : {Command::Encrypt, Command::Decrypt}) {
        Machine whole = m;
        const Text result = whole.RunCommand(command, password, 3, text);
        Machine single = m;
        Text step = text;
        for (int pass = 0; pass < 3; ++pass) {
            single.KeyWheels(password);
            if (command == Command::Encrypt) {
                single.stepWheel = 1;
                step = single.EncryptPass(step);
            } else {
                single.stepWheel = 5;  // DecryptPass sets it itself
                step = single.DecryptPass(step);
            }
            single.RestoreWheels();
        }
        EXPECT_EQ(result, step);
        EXPECT_EQ(whole.wheelArray, single.wheelArray);
        EXPECT_EQ(whole.pairPosition, single.pairPosition);
        EXPECT_EQ(whole.stepWheel, single.stepWheel);
        EXPECT_EQ(whole.workingWheel, whole.pristineWheel);
    }
    // Decrypt 3 after Encrypt 6 is Encrypt 3.
    Machine a = m;
    Machine b = m;
    EXPECT_EQ(a.RunCommand(Command::Decrypt, password, 3, a.RunCommand(Command::Encrypt, password, 6, text)),
              b.RunCommand(Command::Encrypt, password, 3, text));
}

}  // namespace
}  // namespace velmor
