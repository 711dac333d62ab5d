// SPDX-License-Identifier: MIT
// Stepping on the engine's state object, checked against what the arrays
// must look like rather than against the model: which arrays turn, which
// way (odd left, even right), and where a pass leaves them.
#include "test_support.h"

namespace velmor {
namespace {

using test::Text;

// `s` turned left `turns` places (right when negative).
Text left(const Text& s, int turns)
{
    const auto t = static_cast<std::size_t>(((turns % 96) + 96) % 96);
    return s.substr(t) + s.substr(0, t);
}

class Stepping : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.LoadWheels();
        state.KeyWheels(u"Stepping \u00A3 test");
        state.FillWheelArrays();
    }
    Text working(int k) const { return literal::fromUtf16(state.workingWheel(k).text()); }

    WheelState state;
};

// A pass over N characters leaves array w <= W turned N div W times, plus once
// if w <= N mod W, the others unturned, and stepWheel = (N mod W) + 1.
// DecryptPass of the same length comes back to the unturned arrays.
TEST_F(Stepping, EndOfTextState)
{
    std::mt19937 rng(32);
    const std::pair<int, int> cases[] = {{4, 5}, {4, 0}, {20, 19}, {20, 20}, {30, 2881}, {6, 577}};
    for (const auto& [wheels, length] : cases) {
        SCOPED_TRACE(testing::Message() << wheels << " wheels, " << length << " characters");
        ASSERT_TRUE(state.setWheelCount(wheels));
        Text text = test::randomText(rng, static_cast<std::size_t>(length), false);
        if (length >= 3) text.replace(0, 3, U"\r\n\"");  // passed through, yet each counts one step
        state.setStepWheel(1);
        state.EncryptPass<char>(test::bytesOf(text));
        EXPECT_EQ(state.stepWheel(), length % wheels + 1);
        for (int w = 1; w <= 30; ++w) {
            const int turns = w > wheels ? 0 : length / wheels + (w <= length % wheels ? 1 : 0);
            EXPECT_EQ(test::arrayOf(state, w), left(working(w), w % 2 ? turns : -turns)) << "array " << w;
        }
        state.DecryptPass<char>(test::bytesOf(text));
        EXPECT_EQ(state.stepWheel(), 1);
        for (int k = 1; k <= 30; ++k) EXPECT_EQ(test::arrayOf(state, k), working(k)) << k;
    }
}

}  // namespace
}  // namespace velmor
