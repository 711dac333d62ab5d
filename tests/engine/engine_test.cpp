// SPDX-License-Identifier: MIT
// The engine on every walk through the period table that the processor runs.
// It gives the published known answers from a cipher sized to the text and
// from the period table, whole and from an odd first position far on, and
// from the window's UTF-16 passes; the longest rows span whole blocks of
// periods, tiles of fewer periods and a rest, so every path of a walk is
// reached. And it agrees with the literal model in single passes and whole
// commands, over random passwords, texts and numbers of threads.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "engine/settings.h"
#include "engine/wheel_state.h"
#include "forced_walk.h"
#include "known_answers.h"
#include "literal_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace velmor {
namespace {

using literal::Text;

// Debug builds (make test-sanitize runs Debug with ASan) check a smaller
// sample, so that the sanitizer run stays quick.
#ifdef NDEBUG
constexpr bool kFullSample = true;
#else
constexpr bool kFullSample = false;
#endif


// Where off-by-one faults hide for wheel count W: around W and 96, at
// multiples of W (the cursor wraps exactly), and past one period (96W), where
// the cipher switches to its table and DecryptPass turns forward by division.
std::vector<std::size_t> edgeLengths(int wheelCount, std::mt19937& rng)
{
    const auto w = static_cast<std::size_t>(wheelCount);
    const std::size_t multipleAbove96 = (96 / w + 1) * w;
    std::vector<std::size_t> lengths{0,   1,   w - 1,           w,   w + 1,   96,
                                     97,  192, multipleAbove96, 2 * multipleAbove96, 96 * w + 1, 96 * w + w};
    if (kFullSample) lengths.insert(lengths.end(), {96 * w, 2 * 96 * w + w, 3000 + rng() % 1000});
    return lengths;
}

char16_t randomAlphabetChar(std::mt19937& rng)
{
    static const Text alphabet = literal::builtinWheelTexts()[0];
    return alphabet[std::uniform_int_distribution<std::size_t>(0, 95)(rng)];
}

// Mostly alphabet characters; the rest must pass through. Code units above
// 255 pass through as one step after every walk, which the window's known
// answers check.
Text randomText(std::mt19937& rng, std::size_t length)
{
    Text text(length, 0);
    for (char16_t& c : text) {
        const unsigned kind = rng() % 100;
        c = kind < 70 ? randomAlphabetChar(rng) : kind < 84 ? u"\r\n\"\t\x7F"[kind % 5]
                      : static_cast<char16_t>(rng() % 256);
    }
    return text;
}

// Some longer than 30 wheels; about one character in five on no wheel.
std::u16string randomPassword(std::mt19937& rng)
{
    std::u16string password(std::uniform_int_distribution<std::size_t>(0, 34)(rng), u'\0');
    for (char16_t& c : password) {
        const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
        c = kind < 4 ? u"\"\t\u00E9\u2019"[kind] : randomAlphabetChar(rng);
    }
    return password;
}

::testing::AssertionResult sameState(const WheelState& engine, const literal::Machine& model)
{
    auto fail = [] { return ::testing::AssertionFailure(); };
    if (engine.wheelLength() != model.wheelLength || engine.wheelCount() != model.wheelCount ||
        engine.stepWheel() != model.stepWheel)
        return fail() << "stepWheel " << engine.stepWheel() << " vs " << model.stepWheel << " (or the counts)";
    for (int j = 1; j <= kWheelTotal / 2; ++j)
        if (engine.pairPosition(j) != model.pairPosition[static_cast<std::size_t>(j)])
            return fail() << "pairPosition " << j << ": " << engine.pairPosition(j) << " vs "
                          << model.pairPosition[static_cast<std::size_t>(j)];
    for (int k = 1; k <= kWheelTotal; ++k) {
        const Text& array = model.wheelArray[static_cast<std::size_t>(k)];
        if (engine.workingWheel(k).text() != model.workingWheel[static_cast<std::size_t>(k)])
            return fail() << "working wheel " << k;
        for (int i = 1; i < std::ssize(array); ++i)
            if (engine.wheelArrayElement(k, i) != array[static_cast<std::size_t>(i)])
                return fail() << "wheel array " << k;
    }
    return ::testing::AssertionSuccess();
}

class OnEveryWalk : public testing::TestWithParam<std::string> {
protected:
    const test::ForcedWalk walk_{GetParam()};
};

TEST_P(OnEveryWalk, EngineGivesEveryKnownAnswer)
{
    const auto rows = test::knownAnswers();
    ASSERT_GE(rows.size(), 39U);
    WheelState state;
    state.LoadWheels();
    for (const test::KnownAnswer& row : rows) {
        SCOPED_TRACE(row.name());
        const std::u16string password = row.passwordText();
        const Cipher sized = Cipher::forPassword(password, row.wheels, row.passes, row.direction, row.input.size());
        const Cipher table = Cipher::forPassword(password, row.wheels, row.passes, row.direction);
        std::string bytes = row.input;
        sized.apply(std::span<char>(bytes), 0);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "sized to the text";
        bytes = row.input;
        table.applyParallel(bytes, 0, 3);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "by the period table";
        // From a first position off every group of 8, 32 or 64 rows of the
        // table, told as a billion periods further on, beyond 32 bits.
        const std::size_t odd = std::min<std::size_t>(row.input.size(), 1 + 2 * (row.line % 15));
        for (const Cipher* cipher : {&sized, &table}) {
            bytes = row.input.substr(odd);
            cipher->apply(std::span<char>(bytes), odd + std::uint64_t{1'000'000'007} * cipher->period());
            EXPECT_TRUE(test::sameText(bytes, row.output.substr(odd))) << "from position " << odd;
        }

        auto units = test::widened(row.input);
        ASSERT_TRUE(state.setWheelCount(row.wheels));
        runPasses(state, row.direction, password, row.passes, std::span<char16_t>(units), 2);
        EXPECT_TRUE(test::sameText(units, test::widened(row.output))) << "as the window's UTF-16 text";
    }
}

TEST_P(OnEveryWalk, EngineAgreesWithTheLiteralModel)
{
    std::mt19937 rng(11);
    WheelState engine;
    literal::Machine model;
    engine.LoadWheels();
    model.LoadWheels();
    ASSERT_TRUE(sameState(engine, model)) << "after LoadWheels";
    std::vector<int> counts;
    for (int w = kMinWheelCount; w <= kMaxWheelCount; w += 2)
        if (kFullSample || w == 4 || w % 10 == 0) counts.push_back(w);
    std::shuffle(counts.begin(), counts.end(), rng);  // pairs above W/2 keep positions from earlier counts
    for (const int wheels : counts) {
        ASSERT_TRUE(engine.setWheelCount(wheels));
        model.wheelCount = static_cast<std::int16_t>(wheels);
        for (const Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
            const std::u16string password = randomPassword(rng);
            const auto modelCommand = direction == Direction::Encrypt ? literal::Command::Encrypt : literal::Command::Decrypt;
            for (const std::size_t length : edgeLengths(wheels, rng)) {
                SCOPED_TRACE(testing::Message() << (direction == Direction::Encrypt ? "encrypt, " : "decrypt, ")
                                                << wheels << " wheels, length " << length);
                const Text text = randomText(rng, length);

                // A single pass must also cope with a cursor other than 1.
                const bool encrypt = direction == Direction::Encrypt;
                engine.KeyWheels(password);
                model.KeyWheels(password);
                const int entry = rng() % 4 == 0 ? std::uniform_int_distribution<int>(-2, 33)(rng) : 1;
                engine.setStepWheel(entry);
                model.stepWheel = static_cast<std::int16_t>(entry);
                const std::string bytes = literal::toBytes(text);
                ASSERT_EQ(encrypt ? engine.EncryptPass<char>(bytes) : engine.DecryptPass<char>(bytes),
                          literal::toBytes(encrypt ? model.EncryptPass(text) : model.DecryptPass(text)));
                ASSERT_TRUE(sameState(engine, model)) << "after a pass, stepWheel " << entry << " on entry";
                engine.RestoreWheels();
                model.RestoreWheels();

                // The model's passes do not depend on the pass count, so the
                // command with P passes is the first P passes of the longest.
                std::map<int, std::pair<Text, literal::Machine>> commands;
                literal::Machine m = model;
                Text current = text;
                for (int passes = 1; passes <= kPassCounts.back(); ++passes) {
                    current = m.RunCommand(modelCommand, password, 1, current);
                    if (isValidPassCount(passes)) commands.emplace(passes, std::pair{current, m});
                }
                WheelState carried;
                for (const auto& [passes, expected] : commands) {
                    SCOPED_TRACE(testing::Message() << passes << " passes");
                    const std::string expected8 = literal::toBytes(expected.first);

                    static constexpr unsigned kThreads[] = {0, 1, 2, 3, 5, 16};
                    const unsigned threads = kThreads[std::uniform_int_distribution<int>(0, 5)(rng)];
                    WheelState state = engine;
                    const auto command = [&](auto text) {
                        runPasses(state, direction, password, passes, std::span(text), threads);
                        return text;
                    };
                    if (passes % 2 == 0)
                        ASSERT_EQ(command(text), expected.first);
                    else
                        ASSERT_EQ(command(literal::toBytes(text)), expected8);
                    ASSERT_TRUE(sameState(state, expected.second)) << "after runPasses";
                    if (passes == kPassCounts.back()) carried = state;
                }
                // Each length starts from the state the last command left.
                engine = carried;
                model = commands.at(kPassCounts.back()).second;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWalk, OnEveryWalk, testing::ValuesIn(runnableTableWalks()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace velmor
