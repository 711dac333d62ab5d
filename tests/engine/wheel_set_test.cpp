// SPDX-License-Identifier: MIT
// The 30 built-in wheels: each a permutation of the alphabet, none in
// alphabet order, and no wheel a rotation, reversal or inverse of another.
// They are fixed for good, so a slip in them would ship with every text.
#include "engine/builtin_wheels.h"
#include "test_support.h"

#include <set>
#include <string>

namespace velmor {
namespace {

std::string alphabetInOrder()
{
    std::string alphabet{' ', '!'};
    for (int code = 35; code <= 126; ++code) alphabet += static_cast<char>(code);
    return alphabet + "\xA3\xAC";
}

std::string wheelCodes(int k) { return std::string(builtinWheelCodes()[static_cast<std::size_t>(k - 1)]); }

std::string reversed(std::string s) { return {s.rbegin(), s.rend()}; }

// The wheel read as a substitution (alphabet character i -> wheel character i), inverted.
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

// The rotations of the wheel, of its reversal, of its inverse and of the
// inverse's reversal, and the inverses of the wheel's and the reversal's rotations.
std::set<std::string> relatives(const std::string& wheel)
{
    std::set<std::string> all;
    for (const std::string& base : {wheel, reversed(wheel), inverse(wheel), reversed(inverse(wheel))})
        all.merge(rotations(base));
    for (const std::string& base : {wheel, reversed(wheel)})
        for (const std::string& rotation : rotations(base)) all.insert(inverse(rotation));
    return all;
}

TEST(BuiltinWheels, AreThirtyPermutationsOfTheAlphabet)
{
    std::string sortedAlphabet = alphabetInOrder();
    std::sort(sortedAlphabet.begin(), sortedAlphabet.end());
    ASSERT_EQ(builtinWheelCodes().size(), 30U);
    for (int k = 1; k <= 30; ++k) {
        std::string sorted = wheelCodes(k);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, sortedAlphabet) << "wheel " << k;
        EXPECT_EQ(builtinWheels()[static_cast<std::size_t>(k - 1)].text(),
                  test::unitsOf(literal::fromBytes(wheelCodes(k)))) << "the engine's copy of wheel " << k;
    }
}

TEST(BuiltinWheels, AreUnrelatedArrangements)
{
    std::set<std::string> ordered = rotations(alphabetInOrder());
    ordered.merge(rotations(reversed(alphabetInOrder())));
    for (int a = 1; a <= 30; ++a) {
        EXPECT_FALSE(ordered.contains(wheelCodes(a))) << "wheel " << a << " is in alphabet order";
        const std::set<std::string> related = relatives(wheelCodes(a));
        for (int b = 1; b <= 30; ++b) EXPECT_TRUE(b == a || !related.contains(wheelCodes(b))) << "wheels " << a << ", " << b;
    }
}

}  // namespace
}  // namespace velmor
