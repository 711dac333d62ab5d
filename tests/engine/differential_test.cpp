// SPDX-License-Identifier: MIT
// The fast engine against the literal model: single passes and whole commands
// on the state object (whose cipher runs in parallel), and the multi-pass
// Cipher on 8-bit and 16-bit text in random chunks. Results and every field of the state object
// must agree.
#include "engine/cipher.h"
#include "engine/keying.h"
#include "engine/passes.h"
#include "test_support.h"

#include <map>
#include <span>

namespace velmor {
namespace {

using test::Text;

// The 8-bit twin of a 16-bit text: its code units above 255 replaced by bytes
// that pass through as well, so that one model run serves both widths.
Text narrowed(const Text& wide, std::mt19937& rng)
{
    Text narrow = wide;
    for (char32_t& c : narrow)
        if (c > 255) c = U"\t\x7F\x81\x8D\xA0\xE9\xFF"[std::uniform_int_distribution<int>(0, 6)(rng)];
    return narrow;
}

Text twinResult(Text result, const Text& wide, const Text& narrow)
{
    for (std::size_t i = 0; i < result.size(); ++i)
        if (wide[i] != narrow[i]) result[i] = narrow[i];
    return result;
}

// Chunks of random size, each told its first position some whole periods on
// (up to 2^40 of them), which must not change its result.
template <class CharT>
std::basic_string<CharT> inRandomChunks(const Cipher& cipher, std::basic_string<CharT> text, std::mt19937& rng)
{
    static constexpr std::uint64_t kLaps[] = {0, 1, 7, std::uint64_t{1} << 40};
    const std::size_t largest = std::max<std::size_t>(1, text.size() / 3);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t length = std::min(text.size() - start, std::uniform_int_distribution<std::size_t>(1, largest)(rng));
        const std::uint64_t lap = kLaps[std::uniform_int_distribution<int>(0, 3)(rng)];
        cipher.apply(std::span<CharT>(text.data() + start, length), start + lap * cipher.period());
        start += length;
    }
    return text;
}

template <class CharT>
std::basic_string<CharT> command(WheelState& state, Direction direction, std::u16string_view password, int passes,
                                 std::basic_string<CharT> text, unsigned threads)
{
    runPasses(state, direction, password, passes, std::span<CharT>(text), threads);
    return text;
}

template <class CharT>
std::basic_string<CharT> enginePass(WheelState& engine, Direction direction, const std::basic_string<CharT>& text)
{
    return direction == Direction::Encrypt ? engine.EncryptPass<CharT>(text) : engine.DecryptPass<CharT>(text);
}

TEST(Differential, EngineAgreesWithTheLiteralModel)
{
    std::mt19937 rng(11);
    WheelState engine;
    literal::Machine model;
    engine.LoadWheels();
    model.LoadWheels();
    ASSERT_TRUE(test::sameState(engine, model)) << "after LoadWheels";
    auto counts = test::sampledWheelCounts();
    std::shuffle(counts.begin(), counts.end(), rng);  // pairs above W/2 keep positions from earlier counts
    for (const int wheels : counts) {
        ASSERT_TRUE(engine.setWheelCount(wheels));
        model.wheelCount = static_cast<std::int16_t>(wheels);
        for (const Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
            // One password per count and direction, so that each cipher (and
            // its table) serves every length.
            const std::u16string password = test::randomPassword(rng);
            const Text modelPassword = literal::fromUtf16(password);
            const auto modelCommand = direction == Direction::Encrypt ? literal::Command::Encrypt : literal::Command::Decrypt;
            const WheelSet keyed = keyedWheels(builtinWheels(), password);
            std::map<int, Cipher> direct, table;
            for (const int passes : kPassCounts) {
                direct.emplace(passes, Cipher(keyed, wheels, passes, direction, 0));
                table.emplace(passes, Cipher(keyed, wheels, passes, direction, Cipher::kUnknownLength));
            }
            for (const std::size_t length : test::edgeLengths(wheels, rng)) {
                SCOPED_TRACE(testing::Message() << (direction == Direction::Encrypt ? "encrypt, " : "decrypt, ")
                                                << wheels << " wheels, length " << length);
                const Text wide = test::randomText(rng, length, true);
                const Text narrow = narrowed(wide, rng);

                // Single passes. The commands always enter with stepWheel 1,
                // but the passes must also cope with any other cursor.
                for (const bool isWide : {false, true}) {
                    const Text& text = isWide ? wide : narrow;
                    engine.KeyWheels(password);
                    model.KeyWheels(modelPassword);
                    const int entry = rng() % 4 == 0 ? std::uniform_int_distribution<int>(-2, 33)(rng) : 1;
                    engine.setStepWheel(entry);
                    model.stepWheel = static_cast<std::int16_t>(entry);
                    const Text expected =
                        direction == Direction::Encrypt ? model.EncryptPass(text) : model.DecryptPass(text);
                    if (isWide)
                        ASSERT_EQ(enginePass(engine, direction, test::unitsOf(text)), test::unitsOf(expected));
                    else
                        ASSERT_EQ(enginePass(engine, direction, test::bytesOf(text)), test::bytesOf(expected));
                    ASSERT_TRUE(test::sameState(engine, model)) << "after the pass, stepWheel " << entry << " on entry";
                    engine.RestoreWheels();
                    model.RestoreWheels();
                }

                // The model's passes do not depend on the pass count, so the
                // command with P passes is the first P passes of the longest.
                std::map<int, std::pair<Text, literal::Machine>> commands;
                literal::Machine m = model;
                Text current = wide;
                for (int passes = 1; passes <= kPassCounts.back(); ++passes) {
                    current = m.RunCommand(modelCommand, modelPassword, 1, current);
                    if (isValidPassCount(passes)) commands.emplace(passes, std::pair{current, m});
                }
                WheelState carried;
                for (const auto& [passes, expected] : commands) {
                    SCOPED_TRACE(testing::Message() << passes << " passes");
                    const std::u16string expected16 = test::unitsOf(expected.first);
                    const std::string expected8 = test::bytesOf(twinResult(expected.first, wide, narrow));

                    static constexpr unsigned kThreads[] = {0, 1, 2, 3, 5, 16};
                    const unsigned threads = kThreads[std::uniform_int_distribution<int>(0, 5)(rng)];
                    // runPasses sizes its cipher to the text (direct up to one
                    // period, by table above) and runs it on `threads` threads.
                    WheelState state = engine;
                    if (passes % 2 == 0)
                        ASSERT_EQ(command(state, direction, password, passes, test::unitsOf(wide), threads), expected16);
                    else
                        ASSERT_EQ(command(state, direction, password, passes, test::bytesOf(narrow), threads), expected8);
                    ASSERT_TRUE(test::sameState(state, expected.second)) << "after runPasses";
                    if (passes == kPassCounts.back()) carried = state;
                    for (const Cipher* cipher : {&direct.at(passes), &table.at(passes)}) {
                        const char* way = cipher == &table.at(passes) ? "table" : "direct";
                        ASSERT_EQ(inRandomChunks(*cipher, test::bytesOf(narrow), rng), expected8) << way;
                        ASSERT_EQ(inRandomChunks(*cipher, test::unitsOf(wide), rng), expected16) << way;
                    }
                }
                // Each length starts from the state the last command left.
                engine = carried;
                model = commands.at(kPassCounts.back()).second;
            }
        }
    }
}

// Long 8-bit texts take the widest table walk the processor offers, 16-bit
// texts the byte-by-byte one: the same bytes must come out either way, for
// whole blocks of 64 periods, a longer or shorter rest after them, and any
// first position.
TEST(Differential, EightBitTableWalkAgreesWithSixteenBit)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int wheels = kMinWheelCount; wheels <= kMaxWheelCount; wheels += 2) {
        const std::u16string password = test::randomPassword(rng);
        const int passes = kPassCounts[static_cast<std::size_t>(rng() % kPassCounts.size())];
        const Direction direction = rng() % 2 == 0 ? Direction::Encrypt : Direction::Decrypt;
        const Cipher cipher = Cipher::forPassword(password, wheels, passes, direction);
        const std::size_t period = cipher.period();
        for (const std::size_t length : {2 * 64 * period + 17 * period + 5, 64 * period + 3, 20 * period}) {
            SCOPED_TRACE(testing::Message() << wheels << " wheels, length " << length);
            const std::uint64_t first = rng() % (3 * period);
            std::string bytes(length, '\0');
            for (char& c : bytes) c = static_cast<char>(byte(rng));
            std::u16string units(bytes.begin(), bytes.end());
            for (char16_t& u : units) u = static_cast<char16_t>(u & 0xFF);
            cipher.apply(std::span<char>(bytes), first);
            cipher.apply(std::span<char16_t>(units), first);
            ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), units.begin(), units.end(),
                                   [](char b, char16_t u) { return static_cast<unsigned char>(b) == u; }));
        }
    }
}

}  // namespace
}  // namespace velmor
