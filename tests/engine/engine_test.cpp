// SPDX-License-Identifier: MIT
// The engine on every walk through the period table that the processor runs,
// one named test per walk and known answer, and per walk and wheel count.
// Each row is given by a cipher sized to the text and by the period table,
// cut into ranges, copied, and from an odd first position far on, and by the
// window's UTF-16 passes; the longest rows span whole blocks of periods,
// tiles of fewer periods and a rest, so every path of a walk is reached. And
// the engine agrees with the literal model in single passes and whole
// commands, over random passwords, texts and ways of cutting the text.
#include "engine/cipher.h"
#include "engine/passes.h"
#include "engine/settings.h"
#include "engine/table_walk.h"
#include "engine/wheel_state.h"
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

// The text cut into `ranges` ranges, each applied with its first position,
// as a program that schedules the cipher on its own threads does.
template <class CharT>
CipherRun<CharT> inRanges(std::size_t ranges)
{
    return [ranges](const Cipher& cipher, std::span<CharT> text) {
        const std::size_t length = std::max<std::size_t>(1, (text.size() + ranges - 1) / std::max<std::size_t>(1, ranges));
        for (std::size_t start = 0; start < text.size(); start += length)
            cipher.apply(text.subspan(start, std::min(length, text.size() - start)), start);
    };
}

// A gtest name: letters, digits and underscores.
std::string testName(std::string_view walk, const std::string& rest)
{
    return std::string(walk) + "_" + rest;
}

TEST(TableWalks, TheVariableChoosesAWalkOrSaysWhyNot)
{
    const auto runnable = runnableTableWalks();
    ASSERT_FALSE(runnable.empty());
    EXPECT_EQ(runnable.back()->name, "portable") << "the plain C++ walk runs everywhere";
    EXPECT_EQ(&fastestTableWalk(), runnable.front());
    EXPECT_EQ(chooseTableWalk("").walk, runnable.front()) << "unset or empty: the fastest";
    for (const TableWalk& walk : tableWalks()) {
        const TableWalkChoice choice = chooseTableWalk(walk.name);
        EXPECT_EQ(choice.walk, walk.runs() ? &walk : nullptr) << walk.name;
        EXPECT_EQ(choice.refusal, walk.runs() ? "" : "VELMOR_TABLE_WALK=" + std::string(walk.name) +
                                                         ": this processor cannot run that cipher walk");
    }
    std::string known;
    for (const TableWalk& walk : tableWalks()) known += (known.empty() ? "" : ", ") + std::string(walk.name);
    for (const std::string_view stale : {"AVX2", "wide", "portable ", "fastest"}) {
        const TableWalkChoice choice = chooseTableWalk(stale);
        EXPECT_EQ(choice.walk, nullptr) << stale;
        EXPECT_EQ(choice.refusal, "VELMOR_TABLE_WALK=" + std::string(stale) + ": no such cipher walk (known: " + known + ")");
    }
}

TEST(KnownAnswers, TheFileHoldsEveryRow)
{
    EXPECT_GE(test::knownAnswers().size(), 39U) << "a shorter file checks less";
}

struct KnownAnswerOnWalk {
    const TableWalk* walk;
    test::KnownAnswer row;
};

std::vector<KnownAnswerOnWalk> knownAnswersOnEveryWalk()
{
    std::vector<KnownAnswerOnWalk> cases;
    for (const TableWalk* walk : runnableTableWalks())
        for (const test::KnownAnswer& row : test::knownAnswers()) cases.push_back({walk, row});
    return cases;
}

void PrintTo(const KnownAnswerOnWalk& param, std::ostream* out)
{
    *out << param.row.name() << " on the " << param.walk->name << " walk";
}

class KnownAnswer : public testing::TestWithParam<KnownAnswerOnWalk> {};

TEST_P(KnownAnswer, IsGivenByEveryWayOfCiphering)
{
    const TableWalk& walk = *GetParam().walk;
    const test::KnownAnswer& row = GetParam().row;
    const std::u16string password = row.passwordText();
    const Cipher sized = Cipher::forPassword(password, row.wheels, row.passes, row.direction, row.input.size(), walk);
    const Cipher table = Cipher::forPassword(password, row.wheels, row.passes, row.direction, Cipher::kUnknownLength, walk);
    std::string bytes = row.input;
    sized.apply(std::span<char>(bytes), 0);
    EXPECT_TRUE(test::sameText(bytes, row.output)) << "sized to the text";
    bytes = row.input;
    inRanges<char>(3)(table, bytes);
    EXPECT_TRUE(test::sameText(bytes, row.output)) << "by the period table, in three ranges";
    // A copy lays its table out afresh, on a boundary of its own.
    const std::vector<Cipher> copies(3, table);
    for (const Cipher& copy : copies) {
        bytes = row.input;
        copy.apply(std::span<char>(bytes), 0);
        EXPECT_TRUE(test::sameText(bytes, row.output)) << "by a copy of the table";
    }
    // From a first position off every group of 8, 32 or 64 rows of the
    // table, told as a billion periods further on, beyond 32 bits.
    const std::size_t odd = std::min<std::size_t>(row.input.size(), 1 + 2 * (row.line % 15));
    for (const Cipher* cipher : {&sized, &table}) {
        bytes = row.input.substr(odd);
        cipher->apply(std::span<char>(bytes), odd + std::uint64_t{1'000'000'007} * cipher->period());
        EXPECT_TRUE(test::sameText(bytes, row.output.substr(odd))) << "from position " << odd;
    }

    WheelState state;
    state.LoadWheels();
    ASSERT_TRUE(state.setWheelCount(row.wheels));
    auto units = test::widened(row.input);
    runPasses(state, row.direction, password, row.passes, std::span<char16_t>(units), inRanges<char16_t>(2), walk);
    EXPECT_TRUE(test::sameText(units, test::widened(row.output))) << "as the window's UTF-16 text";
}

INSTANTIATE_TEST_SUITE_P(OnEveryWalk, KnownAnswer, testing::ValuesIn(knownAnswersOnEveryWalk()),
                         [](const testing::TestParamInfo<KnownAnswerOnWalk>& info) {
                             const test::KnownAnswer& row = info.param.row;
                             return testName(info.param.walk->name,
                                             "line" + std::to_string(row.line) + "_" +
                                                 (row.direction == Direction::Encrypt ? "encrypt_" : "decrypt_") +
                                                 std::to_string(row.wheels) + "wheels_" + std::to_string(row.passes) +
                                                 "passes");
                         });

struct WheelCountOnWalk {
    const TableWalk* walk;
    int wheels;
};

std::vector<WheelCountOnWalk> wheelCountsOnEveryWalk()
{
    std::vector<WheelCountOnWalk> cases;
    for (const TableWalk* walk : runnableTableWalks())
        for (const int wheels : kWheelCounts)
            if (kFullSample || wheels == 4 || wheels % 10 == 0) cases.push_back({walk, wheels});
    return cases;
}

void PrintTo(const WheelCountOnWalk& param, std::ostream* out)
{
    *out << param.wheels << " wheels on the " << param.walk->name << " walk";
}

class LiteralModel : public testing::TestWithParam<WheelCountOnWalk> {};

TEST_P(LiteralModel, AgreesWithTheEngine)
{
    const TableWalk& walk = *GetParam().walk;
    const int wheels = GetParam().wheels;
    std::mt19937 rng(11 + static_cast<unsigned>(wheels));
    WheelState engine;
    literal::Machine model;
    engine.LoadWheels();
    model.LoadWheels();
    ASSERT_TRUE(sameState(engine, model)) << "after LoadWheels";
    {
        // Pairs above W/2 keep the positions a command at a larger count left.
        const std::u16string password = randomPassword(rng);
        const Text text = randomText(rng, 500);
        ASSERT_TRUE(engine.setWheelCount(kMaxWheelCount));
        model.wheelCount = static_cast<std::int16_t>(kMaxWheelCount);
        Text ciphered = text;
        runPasses(engine, Direction::Encrypt, password, 3, std::span(ciphered), applyWhole<char16_t>, walk);
        ASSERT_EQ(ciphered, model.RunCommand(literal::Command::Encrypt, password, 3, text));
        ASSERT_TRUE(sameState(engine, model)) << "after a command at " << kMaxWheelCount << " wheels";
    }
    ASSERT_TRUE(engine.setWheelCount(wheels));
    model.wheelCount = static_cast<std::int16_t>(wheels);
    for (const Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
        const std::u16string password = randomPassword(rng);
        const auto modelCommand = direction == Direction::Encrypt ? literal::Command::Encrypt : literal::Command::Decrypt;
        for (const std::size_t length : edgeLengths(wheels, rng)) {
            SCOPED_TRACE(testing::Message() << (direction == Direction::Encrypt ? "encrypt, " : "decrypt, ")
                                            << "length " << length);
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

                static constexpr std::size_t kRanges[] = {0, 1, 2, 3, 5, 16};
                const std::size_t ranges = kRanges[std::uniform_int_distribution<int>(0, 5)(rng)];
                WheelState state = engine;
                const auto command = [&](auto text) {
                    using CharT = typename decltype(text)::value_type;
                    runPasses(state, direction, password, passes, std::span(text), inRanges<CharT>(ranges), walk);
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

INSTANTIATE_TEST_SUITE_P(OnEveryWalk, LiteralModel, testing::ValuesIn(wheelCountsOnEveryWalk()),
                         [](const testing::TestParamInfo<WheelCountOnWalk>& info) {
                             return testName(info.param.walk->name, std::to_string(info.param.wheels) + "wheels");
                         });

}  // namespace
}  // namespace velmor
