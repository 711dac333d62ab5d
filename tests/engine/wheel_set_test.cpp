// The alphabet, the 30 built-in wheels and their
// invariants, LoadWheels and RestoreWheels, and password keying.
#include "engine/alphabet.h"
#include "engine/builtin_wheels.h"
#include "engine/keying.h"
#include "test_support.h"

#include <set>
#include <string>

namespace velmor {
namespace {

using test::Text;

// The alphabet as the Overview lists it, in alphabet order.
std::string alphabetInOrder()
{
    std::string alphabet{' ', '!'};
    for (int code = 35; code <= 126; ++code) alphabet += static_cast<char>(code);
    alphabet += '\xA3';
    alphabet += '\xAC';
    return alphabet;
}

std::string wheelCodes(int k) { return std::string(builtinWheelCodes()[static_cast<std::size_t>(k - 1)]); }

std::string reversed(std::string s) { return {s.rbegin(), s.rend()}; }

// The wheel read as a substitution (alphabet character i -> character i of
// the wheel), inverted, written out in alphabet order.
std::string inverse(const std::string& wheel)
{
    const std::string alphabet = alphabetInOrder();
    std::string result(alphabet.size(), '\0');
    for (std::size_t i = 0; i < wheel.size(); ++i) result[alphabet.find(wheel[i])] = alphabet[i];
    return result;
}

std::set<std::string> rotations(const std::string& s)
{
    std::set<std::string> all;
    for (std::size_t i = 0; i < s.size(); ++i) all.insert(s.substr(i) + s.substr(0, i));
    return all;
}

// Every arrangement that is "related" to `wheel`: its rotations, those of its
// reversal, of its inverse and of the inverse's reversal, and the inverses of
// its rotations and of its reversal's rotations.
std::set<std::string> relatives(const std::string& wheel)
{
    std::set<std::string> all;
    for (const std::string& base : {wheel, reversed(wheel), inverse(wheel), reversed(inverse(wheel))})
        all.merge(rotations(base));
    for (const std::string& base : {wheel, reversed(wheel)})
        for (const std::string& rotation : rotations(base)) all.insert(inverse(rotation));
    return all;
}

// ---- The alphabet -----------------------------------------------------------

TEST(Alphabet, HasTheNinetySixCharactersOfTheOverview)
{
    const std::string alphabet = alphabetInOrder();
    ASSERT_EQ(alphabet.size(), 96U);
    for (int code = 0; code < 0x10000; ++code) {
        const auto at = alphabet.find(static_cast<char>(code));
        const bool inAlphabet = code < 256 && at != std::string::npos;
        EXPECT_EQ(symbolOf(static_cast<char32_t>(code)) != kNotInAlphabet, inAlphabet) << code;
        if (inAlphabet) {
            EXPECT_EQ(symbolOf(static_cast<char32_t>(code)), static_cast<int>(at)) << code;
            EXPECT_EQ(charOf(static_cast<Symbol>(at)), static_cast<char16_t>(code));
        }
    }
    for (const char32_t outside : {U'"', U'\t', U'\r', U'\n', char32_t{127}, char32_t{0x80}, char32_t{0xA0},
                                   char32_t{0xFF}, char32_t{0x2019}, char32_t{0x1F600}})
        EXPECT_EQ(symbolOf(outside), kNotInAlphabet) << static_cast<unsigned>(outside);
    // Plain char is read as an unsigned byte: "£" is the same in both widths.
    EXPECT_EQ(codeOf('\xA3'), codeOf(u'\u00A3'));
}

// ---- The built-in wheels ------------------------------------------------------

TEST(BuiltinWheels, AreThirtyPermutationsOfTheAlphabet)
{
    std::string sortedAlphabet = alphabetInOrder();
    std::sort(sortedAlphabet.begin(), sortedAlphabet.end());
    ASSERT_EQ(builtinWheelCodes().size(), 30U);
    for (int k = 1; k <= 30; ++k) {
        std::string sorted = wheelCodes(k);
        EXPECT_EQ(sorted.size(), 96U) << "wheel " << k;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, sortedAlphabet) << "wheel " << k;
        // The engine's copy holds the same characters.
        EXPECT_EQ(builtinWheels()[static_cast<std::size_t>(k - 1)].text(), test::unitsOf(literal::fromBytes(wheelCodes(k))));
    }
}

TEST(BuiltinWheels, AreUnrelatedArrangements)
{
    const std::string alphabet = alphabetInOrder();
    const std::set<std::string> ordered = [&] {
        std::set<std::string> all = rotations(alphabet);
        all.merge(rotations(reversed(alphabet)));
        return all;
    }();
    for (int a = 1; a <= 30; ++a) {
        EXPECT_FALSE(ordered.contains(wheelCodes(a))) << "wheel " << a << " is in alphabet order";
        const std::set<std::string> related = relatives(wheelCodes(a));
        for (int b = 1; b <= 30; ++b)
            if (b != a) {
                EXPECT_FALSE(related.contains(wheelCodes(b))) << "wheels " << a << " and " << b << " are related";
            }
    }
}

// The check above would catch each kind of relation.
TEST(BuiltinWheels, TheRelationCheckFindsEachKind)
{
    const std::string wheel = wheelCodes(7);
    const std::set<std::string> related = relatives(wheel);
    const std::string rotated = wheel.substr(5) + wheel.substr(0, 5);
    for (const std::string& relative :
         {wheel, rotated, reversed(wheel), reversed(rotated), inverse(wheel), inverse(rotated), reversed(inverse(wheel)),
          inverse(reversed(rotated))})
        EXPECT_TRUE(related.contains(relative));
    EXPECT_FALSE(related.contains(wheelCodes(8)));
    EXPECT_EQ(inverse(inverse(wheel)), wheel);
}

TEST(BuiltinWheels, WheelFromCodesRejectsWhatIsNotAPermutation)
{
    const std::string wheel = wheelCodes(1);
    EXPECT_TRUE(Wheel::fromCodes(wheel).has_value());
    EXPECT_FALSE(Wheel::fromCodes(wheel.substr(1)).has_value());
    std::string doubled = wheel;
    doubled[1] = doubled[0];
    EXPECT_FALSE(Wheel::fromCodes(doubled).has_value());
    std::string foreign = wheel;
    foreign[3] = '"';
    EXPECT_FALSE(Wheel::fromCodes(foreign).has_value());
}

// ---- LoadWheels and RestoreWheels --------------------------------------------

TEST(WheelSet, LoadWheelsGivesTheBuiltinWheelsTwice)
{
    WheelState state;
    state.LoadWheels();
    EXPECT_EQ(state.wheelLength(), 96);
    EXPECT_EQ(state.wheelCount(), 20);
    for (int k = 1; k <= 30; ++k) {
        EXPECT_EQ(state.workingWheel(k), builtinWheels()[static_cast<std::size_t>(k - 1)]);
        EXPECT_EQ(state.pristineWheel(k), builtinWheels()[static_cast<std::size_t>(k - 1)]);
    }
    for (int j = 1; j <= 15; ++j) EXPECT_EQ(state.pairPosition(j), 0);
}

TEST(WheelSet, RestoreWheelsBringsBackEveryWheelAndNothingElse)
{
    WheelState state;
    state.LoadWheels();
    ASSERT_TRUE(state.setWheelCount(6));
    state.KeyWheels(u"abcdefghijklmnopqrstuvwxyzABCD");  // keys all 30, whatever the count
    for (int k = 1; k <= 30; ++k) EXPECT_NE(state.workingWheel(k), state.pristineWheel(k)) << k;
    state.FillWheelArrays();
    state.setStepWheel(3);
    state.StepWheels();
    const char16_t turned = state.wheelArrayElement(3, 1);
    state.RestoreWheels();
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(state.workingWheel(k), state.pristineWheel(k)) << k;
    EXPECT_EQ(state.wheelCount(), 6);
    EXPECT_EQ(state.stepWheel(), 3);
    EXPECT_EQ(state.wheelArrayElement(3, 1), turned);  // the arrays are left alone
    const WheelState before = state;
    state.RestoreWheels();
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(state.workingWheel(k), before.workingWheel(k));
}

TEST(WheelSet, SetWheelCountTakesOnlyEvenCountsFromFourToThirty)
{
    WheelState state;
    state.LoadWheels();
    for (int count = -2; count <= 34; ++count) {
        const bool valid = count >= 4 && count <= 30 && count % 2 == 0;
        EXPECT_EQ(state.setWheelCount(count), valid) << count;
        if (valid) {
            EXPECT_EQ(state.wheelCount(), count);
        }
    }
}

// ---- KeyWheels ----------------------------------------------------------------

class Keying : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.LoadWheels();
        model.LoadWheels();
    }
    // Keys both and checks that they agree; returns the working wheels.
    std::vector<std::u16string> key(std::u16string_view password)
    {
        state.RestoreWheels();
        model.RestoreWheels();
        state.KeyWheels(password);
        model.KeyWheels(literal::fromUtf16(password));
        EXPECT_TRUE(test::sameState(state, model));
        std::vector<std::u16string> wheels;
        for (int k = 1; k <= 30; ++k) wheels.push_back(state.workingWheel(k).text());
        return wheels;
    }
    std::u16string pristine(int k) const { return state.pristineWheel(k).text(); }

    WheelState state;
    literal::Machine model;
};

TEST_F(Keying, AnEmptyPasswordLeavesEveryWheelPristine)
{
    const auto wheels = key(u"");
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(wheels[static_cast<std::size_t>(k - 1)], pristine(k));
}

TEST_F(Keying, CharacterKComesFirstOnWheelKAndTheWheelIsARotation)
{
    const std::u16string password = u"Zq \u00A3#\u00AC~9";
    const auto wheels = key(password);
    for (int k = 1; k <= 30; ++k) {
        const std::u16string& wheel = wheels[static_cast<std::size_t>(k - 1)];
        if (k > static_cast<int>(password.size())) {
            EXPECT_EQ(wheel, pristine(k)) << k;
            continue;
        }
        EXPECT_EQ(wheel.front(), password[static_cast<std::size_t>(k - 1)]) << k;
        const std::u16string twice = pristine(k) + pristine(k);
        EXPECT_NE(twice.find(wheel), std::u16string::npos) << k;
    }
}

TEST_F(Keying, CharactersOutsideTheAlphabetLeaveTheirWheelUnrotated)
{
    const auto wheels = key(u"a\"b\tc\u00E9d\u2019");
    for (const int k : {2, 4, 6, 8}) EXPECT_EQ(wheels[static_cast<std::size_t>(k - 1)], pristine(k)) << k;
    for (const int k : {1, 3, 5, 7}) EXPECT_NE(wheels[static_cast<std::size_t>(k - 1)], pristine(k)) << k;
}

TEST_F(Keying, TheFirstCharacterOfThePristineWheelKeysLikeNoCharacter)
{
    std::u16string firsts;
    for (int k = 1; k <= 5; ++k) firsts += pristine(k).front();
    EXPECT_EQ(key(firsts), key(u""));
    EXPECT_EQ(key(firsts.substr(0, 2) + u"\"\"\""), key(u""));
}

TEST_F(Keying, CaseAndSpacesCount)
{
    EXPECT_NE(key(u"abc")[1], key(u"aBc")[1]);
    EXPECT_EQ(key(u"abc")[0], key(u"aBc")[0]);
    const auto spaced = key(u" x ");
    EXPECT_EQ(spaced[0].front(), u' ');
    EXPECT_EQ(spaced[2].front(), u' ');
    EXPECT_NE(spaced[0], pristine(1));
}

TEST_F(Keying, ARepeatedCharacterComesFirstOnEveryKeyedWheel)
{
    const auto wheels = key(std::u16string(20, u'k'));
    for (int k = 1; k <= 20; ++k) EXPECT_EQ(wheels[static_cast<std::size_t>(k - 1)].front(), u'k');
    for (int k = 21; k <= 30; ++k) EXPECT_EQ(wheels[static_cast<std::size_t>(k - 1)], pristine(k));
}

TEST_F(Keying, KeyingTwiceIsKeyingOnceAndDependsOnNothingElse)
{
    const auto once = key(u"Velmor!");
    state.KeyWheels(u"Velmor!");  // without a restore in between
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(state.workingWheel(k).text(), once[static_cast<std::size_t>(k - 1)]);
    // A pass in between changes nothing of the keying.
    ASSERT_TRUE(state.setWheelCount(4));
    model.wheelCount = 4;
    state.setStepWheel(1);
    model.stepWheel = 1;
    state.EncryptPass<char>("some text");
    model.EncryptPass(U"some text");
    EXPECT_EQ(key(u"Velmor!"), once);
    // The free function keys the same way from any pristine set.
    const WheelSet keyed = keyedWheels(builtinWheels(), u"Velmor!");
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(keyed[static_cast<std::size_t>(k - 1)].text(), once[static_cast<std::size_t>(k - 1)]);
}

TEST_F(Keying, RandomPasswordsAgreeWithTheModel)
{
    std::mt19937 rng(21);
    for (int i = 0; i < 200; ++i) key(test::randomPassword(rng, 34));  // some longer than 30
}

}  // namespace
}  // namespace velmor
