// SPDX-License-Identifier: MIT
// The fast engine against the literal model, on every walk through the period
// table that the processor runs: single passes and whole commands on the state
// object (whose cipher runs in parallel), and the multi-pass Cipher on 8-bit
// and 16-bit text in random chunks. Results and every field of the state
// object must agree.
#include "engine/cipher.h"
#include "engine/keying.h"
#include "engine/passes.h"
#include "forced_walk.h"
#include "test_support.h"

#include <algorithm>
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

class Differential : public testing::TestWithParam<std::string> {
protected:
    const test::ForcedWalk walk_{GetParam()};
};

TEST_P(Differential, EngineAgreesWithTheLiteralModel)
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

// The walks work on blocks of periods turned on their side, so their paths
// only show on texts of many periods: whole blocks, whole tiles of fewer
// periods, a rest through a scratch block or byte by byte, and a first
// position off the tiles' row groups. One model run gives a long text; its
// windows, each ciphered from its own first position, reach those paths.
TEST_P(Differential, LongTextWindowsAgreeWithTheLiteralModel)
{
    std::mt19937 rng(5);
    const std::vector<int> counts = test::kFullSample ? std::vector<int>{4, 30} : std::vector<int>{4};
    for (const int wheels : counts) {
        const Direction direction = wheels == 4 ? Direction::Encrypt : Direction::Decrypt;
        const std::u16string password = test::randomPassword(rng);
        const Cipher cipher = Cipher::forPassword(password, wheels, 1, direction);
        const std::size_t period = cipher.period();
        const std::size_t length = 2 * 64 * period + 17 * period + 5;
        const Text wide = test::randomText(rng, length, true);
        const Text narrow = narrowed(wide, rng);
        literal::Machine model;
        model.LoadWheels();
        model.wheelCount = static_cast<std::int16_t>(wheels);
        const Text expected =
            model.RunCommand(direction == Direction::Encrypt ? literal::Command::Encrypt : literal::Command::Decrypt,
                             literal::fromUtf16(password), 1, wide);
        const std::u16string wide16 = test::unitsOf(wide), expected16 = test::unitsOf(expected);
        const std::string narrow8 = test::bytesOf(narrow), expected8 = test::bytesOf(twinResult(expected, wide, narrow));

        const std::size_t odd = 1 + rng() % 31;  // off every group of 8, 32 or 64 rows
        const std::pair<std::size_t, std::size_t> windows[] = {
            {0, length},                    // blocks, tiles, a rest of 17 periods
            {odd, 64 * period + 3},         // a block and a few bytes
            {odd, 20 * period},             // tiles and a rest of 4 periods
            {period - odd, period + 40},    // a rest of one period, across the table's end
            {odd, 17},                      // a few bytes
            {length - period / 2, period / 2},
        };
        for (const auto& [start, size] : windows) {
            SCOPED_TRACE(testing::Message() << wheels << " wheels, window " << start << " + " << size);
            std::string bytes = narrow8.substr(start, size);
            cipher.apply(std::span<char>(bytes), start);
            ASSERT_EQ(bytes, expected8.substr(start, size));
            std::u16string units = wide16.substr(start, size);
            cipher.apply(std::span<char16_t>(units), start + period);
            ASSERT_EQ(units, expected16.substr(start, size));
        }
    }
}

// A walk forced by name is never swapped for another: an unknown name, or a
// walk this processor cannot run, stops the cipher whatever the text length.
TEST(ForcedWalk, OnlyARunnableWalkIsTaken)
{
    const std::vector<std::string> runnable = runnableTableWalks();
    ASSERT_EQ(runnable.back(), "portable");
    for (const std::string name : {"avx512vbmi", "avx2", "portable", "AVX2", "fastest", " "}) {
        const test::ForcedWalk walk(name);
        const bool known = std::find(runnable.begin(), runnable.end(), name) != runnable.end();
        for (const std::uint64_t length : {std::uint64_t{0}, Cipher::kUnknownLength}) {
            SCOPED_TRACE(name + ", length " + std::to_string(length));
            if (known)
                EXPECT_NO_THROW(Cipher::forPassword(u"key", 4, 1, Direction::Encrypt, length));
            else
                EXPECT_THROW(Cipher::forPassword(u"key", 4, 1, Direction::Encrypt, length), std::runtime_error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWalk, Differential, testing::ValuesIn(runnableTableWalks()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace velmor
