// SPDX-License-Identifier: MIT
// The literal model itself, which the differential tests trust as the oracle:
// the toy example of one pair over four letters, and its two ways of turning
// forward in DecryptPass agreeing.
#include "test_support.h"

namespace velmor {
namespace {

using literal::DecryptWay;
using literal::Machine;
using test::Text;

Text arrayText(const Machine& m, int k)
{
    const auto& a = m.wheelArray[static_cast<std::size_t>(k)];
    return Text(a.begin() + 1, a.end());
}

Machine toyMachine()
{
    Machine m;
    m.LoadWheels({U"abcd", U"cadb"});
    m.wheelCount = 2;
    return m;
}

TEST(LiteralModel, ToyExampleEncryptsAaaAsCbd)
{
    Machine m = toyMachine();
    // After each character: output, array 1, array 2, cursor, pairPosition 1.
    const std::vector<std::tuple<Text, Text, Text, Text, int, int>> steps{
        {U"a", U"c", U"bcda", U"cadb", 2, 1},
        {U"aa", U"cb", U"bcda", U"bcad", 1, 4},
        {U"aaa", U"cbd", U"cdab", U"bcad", 2, 4},
    };
    for (const auto& [text, output, array1, array2, cursor, position] : steps) {
        SCOPED_TRACE(testing::Message() << text.size() << " characters");
        m.stepWheel = 1;
        EXPECT_EQ(m.EncryptPass(text), output);
        EXPECT_EQ(arrayText(m, 1), array1);
        EXPECT_EQ(arrayText(m, 2), array2);
        EXPECT_EQ(m.stepWheel, cursor);
        EXPECT_EQ(m.pairPosition[1], position);
    }
    EXPECT_EQ(m.DecryptPass(U"cbd"), U"aaa");
    EXPECT_EQ(m.stepWheel, 1);
    EXPECT_EQ(arrayText(m, 1), U"abcd");
    EXPECT_EQ(arrayText(m, 2), U"cadb");
    EXPECT_EQ(m.pairPosition[1], 1);  // the last scan is that of the first character
}

// DecryptPass picks its way by the text's length, so each way is checked
// against the other at lengths where it would not be picked.
TEST(LiteralModel, BothWaysOfTurningForwardAgree)
{
    std::mt19937 rng(42);
    Machine builtin;
    builtin.LoadWheels();
    builtin.KeyWheels(U"ways");
    const auto check = [&](const Machine& start, std::size_t length) {
        const Text text = test::randomText(rng, length, true);
        Machine a = start;
        Machine b = start;
        a.decryptWay = DecryptWay::OneByOne;
        b.decryptWay = DecryptWay::ByDivision;
        EXPECT_EQ(a.DecryptPass(text), b.DecryptPass(text)) << length;
        EXPECT_EQ(std::tie(a.wheelArray, a.pairPosition, a.stepWheel), std::tie(b.wheelArray, b.pairPosition, b.stepWheel))
            << length;
    };
    for (std::size_t length = 0; length <= 30; ++length) check(toyMachine(), length);
    for (const int wheels : {4, 6, 30}) {
        builtin.wheelCount = static_cast<std::int16_t>(wheels);
        for (const std::size_t length : {0, 1, 3, 4, 5, 95, 96, 97, 120, 191, 192, 193, 1000}) check(builtin, length);
    }
}

}  // namespace
}  // namespace velmor
