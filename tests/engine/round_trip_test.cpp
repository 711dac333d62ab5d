// Decrypting what was encrypted gives the text back, for every wheel count,
// pass count and kind of text, through the table and position by position.
#include "engine/cipher.h"
#include "engine/passes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace velmor {
namespace {

std::string randomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    return text;
}

TEST(RoundTrip, AnyBytesSurviveEveryWheelAndPassCount)
{
    std::mt19937 rng(7);
    for (int wheels = kMinWheelCount; wheels <= kMaxWheelCount; wheels += 2) {
        for (const int passes : kPassCounts) {
            for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{97}, std::size_t{6000}}) {
                const std::string original = randomBytes(rng, length);
                const std::u16string password = u"pa\u00A3ss\"word";
                std::string text = original;
                Cipher::forPassword(password, wheels, passes, Direction::Encrypt, length).apply(text, 0);
                Cipher::forPassword(password, wheels, passes, Direction::Decrypt, length).apply(text, 0);
                ASSERT_EQ(text, original) << wheels << " wheels, " << passes << " passes, length " << length;
            }
        }
    }
}

}  // namespace
}  // namespace velmor
