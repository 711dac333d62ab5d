// The wheel arrays and their stepping, on the engine's state object
// and on the literal model side by side.
#include "test_support.h"

namespace velmor {
namespace {

using test::Text;

class Stepping : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.LoadWheels();
        model.LoadWheels();
        engine.KeyWheels(u"Stepping \u00A3 test");
        model.KeyWheels(literal::fromUtf16(u"Stepping \u00A3 test"));
        engine.FillWheelArrays();
        model.FillWheelArrays();
    }

    void setStepWheel(int wheel)
    {
        engine.setStepWheel(wheel);
        model.stepWheel = static_cast<std::int16_t>(wheel);
    }
    void step()
    {
        engine.StepWheels();
        model.StepWheels();
    }
    void stepBack()
    {
        engine.StepWheelsBack();
        model.StepWheelsBack();
    }

    // Array k as a string, from the engine; the model must agree.
    std::u16string array(int k) const
    {
        std::u16string text;
        for (int i = 1; i <= 96; ++i) text += engine.wheelArrayElement(k, i);
        EXPECT_EQ(literal::fromUtf16(text), Text(model.wheelArray[static_cast<std::size_t>(k)].begin() + 1,
                                                 model.wheelArray[static_cast<std::size_t>(k)].end()))
            << "array " << k;
        return text;
    }
    std::vector<std::u16string> arrays() const
    {
        std::vector<std::u16string> all;
        for (int k = 1; k <= 30; ++k) all.push_back(array(k));
        return all;
    }
    std::u16string working(int k) const { return engine.workingWheel(k).text(); }

    static std::u16string left(const std::u16string& s, int turns)
    {
        const auto t = static_cast<std::size_t>(((turns % 96) + 96) % 96);
        return s.substr(t) + s.substr(0, t);
    }

    WheelState engine;
    literal::Machine model;
};

TEST_F(Stepping, FillWheelArraysCopiesTheWorkingWheels)
{
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(array(k), working(k)) << k;
    EXPECT_EQ(engine.wheelLength(), 96);
    EXPECT_EQ(model.wheelLength, 96);
}

TEST_F(Stepping, OddArraysTurnLeftAndEvenArraysRight)
{
    setStepWheel(1);
    step();
    // Characters 2..96 of working wheel 1, then its character 1.
    EXPECT_EQ(array(1), working(1).substr(1) + working(1).substr(0, 1));
    setStepWheel(2);
    step();
    // Character 96 of working wheel 2, then its characters 1..95.
    EXPECT_EQ(array(2), working(2).substr(95) + working(2).substr(0, 95));
    EXPECT_TRUE(test::sameState(engine, model));
}

TEST_F(Stepping, EachStepTurnsOnlyTheNamedArrayAndKeepsTheCursor)
{
    for (int wheel = 1; wheel <= 30; ++wheel) {
        const auto before = arrays();
        setStepWheel(wheel);
        step();
        EXPECT_EQ(engine.stepWheel(), wheel);
        const auto after = arrays();
        for (int k = 1; k <= 30; ++k) {
            const auto& was = before[static_cast<std::size_t>(k - 1)];
            const auto& now = after[static_cast<std::size_t>(k - 1)];
            if (k != wheel) {
                EXPECT_EQ(now, was) << "array " << k << " turned for stepWheel " << wheel;
            } else {
                EXPECT_EQ(now, left(was, wheel % 2 == 1 ? 1 : -1)) << "array " << k;
            }
        }
        stepBack();
        EXPECT_EQ(engine.stepWheel(), wheel);
        EXPECT_EQ(arrays(), before) << "StepWheelsBack undoes StepWheels, " << wheel;
        stepBack();
        step();
        EXPECT_EQ(arrays(), before) << "StepWheels undoes StepWheelsBack, " << wheel;
    }
    EXPECT_TRUE(test::sameState(engine, model));
}

TEST_F(Stepping, NinetySixStepsComeBackRound)
{
    for (const int wheel : {1, 2, 29, 30}) {
        setStepWheel(wheel);
        for (int i = 0; i < 95; ++i) step();
        EXPECT_NE(array(wheel), working(wheel));
        step();
        EXPECT_EQ(array(wheel), working(wheel)) << wheel;
        for (int i = 0; i < 96; ++i) stepBack();
        EXPECT_EQ(array(wheel), working(wheel)) << wheel;
    }
}

TEST_F(Stepping, ACursorOutsideOneToThirtyTurnsNothing)
{
    const auto before = arrays();
    for (const int wheel : {0, 31, -1, 32, 1000, -1000}) {
        setStepWheel(wheel);
        step();
        stepBack();
        stepBack();
        EXPECT_EQ(engine.stepWheel(), wheel);
        EXPECT_EQ(arrays(), before) << wheel;
    }
}

TEST_F(Stepping, FillWheelArraysUndoesAnyTurns)
{
    std::mt19937 rng(31);
    for (int i = 0; i < 500; ++i) {
        setStepWheel(std::uniform_int_distribution<int>(1, 30)(rng));
        i % 3 == 0 ? stepBack() : step();
    }
    engine.FillWheelArrays();
    model.FillWheelArrays();
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(array(k), working(k)) << k;
}

// The state that a pass over N characters leaves: array w (w <= W) turned
// N div W times plus once more if w <= N mod W, the others not at all, and
// stepWheel = (N mod W) + 1. For example N = 5, W = 4.
TEST_F(Stepping, EndOfTextState)
{
    std::mt19937 rng(32);
    const std::vector<std::pair<int, int>> cases{{4, 5}, {4, 0}, {4, 1}, {20, 19}, {20, 20}, {20, 21}, {30, 96},
                                                 {30, 2881}, {6, 577}, {4, 384}, {12, 1000}};
    for (const auto& [wheels, length] : cases) {
        SCOPED_TRACE(testing::Message() << wheels << " wheels, " << length << " characters");
        ASSERT_TRUE(engine.setWheelCount(wheels));
        model.wheelCount = static_cast<std::int16_t>(wheels);
        // A line break and quotes count like any character.
        Text text = test::randomText(rng, static_cast<std::size_t>(length));
        if (length >= 3) text.replace(0, 3, U"\r\n\"");
        setStepWheel(1);
        engine.EncryptPass<char>(test::bytesOf(text));
        model.EncryptPass(text);
        EXPECT_TRUE(test::sameState(engine, model));
        EXPECT_EQ(engine.stepWheel(), length % wheels + 1);
        for (int w = 1; w <= 30; ++w) {
            const int turns = w > wheels ? 0 : length / wheels + (w <= length % wheels ? 1 : 0);
            EXPECT_EQ(array(w), left(working(w), w % 2 == 1 ? turns : -turns)) << "array " << w;
        }
        // DecryptPass comes back to the filled arrays and stepWheel 1.
        engine.DecryptPass<char>(test::bytesOf(text));
        model.DecryptPass(text);
        EXPECT_TRUE(test::sameState(engine, model));
        EXPECT_EQ(engine.stepWheel(), 1);
        for (int k = 1; k <= 30; ++k) EXPECT_EQ(array(k), working(k)) << k;
    }
}

TEST_F(Stepping, TheExampleOfPartOnePointThree)
{
    ASSERT_TRUE(engine.setWheelCount(4));
    model.wheelCount = 4;
    setStepWheel(1);
    engine.EncryptPass<char>("ab\r\ne");  // a line break counts as two
    model.EncryptPass(U"ab\r\ne");
    EXPECT_EQ(engine.stepWheel(), 2);
    EXPECT_EQ(array(1), left(working(1), 2));
    EXPECT_EQ(array(2), left(working(2), -1));
    EXPECT_EQ(array(3), left(working(3), 1));
    EXPECT_EQ(array(4), left(working(4), -1));
    for (int k = 5; k <= 30; ++k) EXPECT_EQ(array(k), working(k));
}

}  // namespace
}  // namespace velmor
