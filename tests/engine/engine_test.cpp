// SPDX-License-Identifier: MIT
// The engine on every table walk the processor runs: the published known
// answers whichever way a text is ciphered, and agreement with the literal
// model over random texts, passwords, wheel counts and pass counts, at the
// lengths where the cursor wraps and the cipher turns to its period table.
// Beside them, the counts the settings offer, the choice of walk and the
// Windows-1252 table that widens the known answers for the window.
#include "engine/passes.h"
#include "engine/table_walk.h"
#include "known_answers.h"
#include "literal_model.h"

#include <array>
#include <cstdlib>
#include <random>

namespace velmor {
namespace {

TEST(Settings, OfferEveryCountAndNameEachChoiceOnceWithOrBeforeTheLast)
{
    std::string counts;
    for (const int n : kPassCounts)
        counts.append(counts.empty() ? "" : n == kPassCounts.back() ? " or " : ", ").append(std::to_string(n));
    EXPECT_EQ(passCountChoices(), counts);
    for (int n = -1; n <= kMaxWheelCount + 2; ++n) {
        EXPECT_EQ(isValidWheelCount(n), std::ranges::count(kWheelCounts, n) == 1) << n;
        EXPECT_EQ(WheelState().setWheelCount(n), isValidWheelCount(n)) << n;
        EXPECT_EQ(isValidPassCount(n), std::ranges::count(kPassCounts, n) == 1) << n;
    }
}

// Every byte stands for one character that gives the byte back, and no
// other character has a byte.
TEST(Windows1252, TakesEveryByteToOneCharacterAndBack)
{
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(codec::windows1252Byte(codec::windows1252Char(static_cast<unsigned char>(byte))), byte);
    const auto held = [](int c) { return codec::windows1252Byte(static_cast<char16_t>(c)) >= 0; };
    EXPECT_EQ(std::ranges::count_if(std::views::iota(0, 0x10000), held), 256);
}

// The variable is read once, on first use, which no other test here makes:
// this one sets it, whatever the environment it was started in.
TEST(TableWalks, TheVariableChoosesARunnableWalkOrRefusesNamingTheWalks)
{
    const auto runnable = runnableTableWalks();
    EXPECT_EQ(runnable.back()->name, "portable") << "the plain C++ walk runs everywhere";
    EXPECT_EQ(&fastestTableWalk(), runnable.front());
    EXPECT_EQ(chooseTableWalk("").walk, runnable.front()) << "unset or empty: the fastest";
    ASSERT_EQ(setenv(kTableWalkVariable, "portable", 1), 0);
    EXPECT_EQ(chosenTableWalk().name, "portable") << "as the variable forces";
    unsetenv(kTableWalkVariable);
    // A refusal names the variable and its value, and an unknown name all
    // the walks there are, in a list that ends the sentence.
    const auto walks = tableWalks();
    std::string list;
    for (const TableWalk& walk : walks) list.append(list.empty() ? "" : ", ").append(walk.name);
    for (const std::string_view forced : {"avx512vbmi", "avx2", "portable", "AVX2", "portable ", "fastest"}) {
        const auto walk = std::ranges::find(walks, forced, &TableWalk::name);
        const bool runs = walk != walks.end() && walk->runs();
        const std::string refusal = chooseTableWalk(forced).refusal;
        EXPECT_EQ(chooseTableWalk(forced).walk, runs ? &*walk : nullptr) << forced;
        EXPECT_EQ(refusal.starts_with(std::string(kTableWalkVariable).append("=").append(forced).append(": ")), !runs);
        EXPECT_TRUE(walk != walks.end() || refusal.rfind(list) + list.size() + 1 == refusal.size()) << refusal;
    }
}

// The text cut into `ranges` ranges, each applied with its first position,
// as a program that schedules the cipher on its own threads does.
auto inRanges(std::size_t ranges)
{
    return [ranges](const Cipher& cipher, auto text) {
        const std::size_t length = std::max<std::size_t>(1, (text.size() + ranges - 1) / ranges);
        for (std::size_t start = 0; start < text.size(); start += length)
            cipher.apply(text.subspan(start, std::min(length, text.size() - start)), start);
    };
}

class OnEveryWalk : public testing::TestWithParam<const TableWalk*> {};

// Every cipher from position 0 in three ranges, and from a first position off
// every group of 8, 32 or 64 rows, told as a billion periods further on; the
// UTF-16 text whole, so that the longest rows take more than one chunk.
TEST_P(OnEveryWalk, GivesEveryKnownAnswerWhicheverWayTheTextIsCiphered)
{
    const auto rows = test::knownAnswers();
    EXPECT_GE(rows.size(), 39U) << "a shorter file checks less";
    for (const test::KnownAnswer& row : rows) {
        SCOPED_TRACE(row.name());
        const auto cipher = [&](std::uint64_t length) {
            return Cipher::forPassword(row.passwordText(), row.wheels, row.passes, row.direction, length, *GetParam());
        };
        const Cipher table = cipher(Cipher::kUnknownLength);
        const std::size_t odd = std::min<std::size_t>(row.input.size(), 1 + 2 * (row.line % 15));
        // Sized to the text, and a copy of the table, which lays it out afresh.
        for (const Cipher& each : {cipher(row.input.size()), table}) {
            std::string bytes = row.input;
            inRanges(3)(each, std::span(bytes));
            EXPECT_TRUE(test::sameText(bytes, row.output));
            bytes = row.input.substr(odd);
            each.apply(std::span(bytes), odd + std::uint64_t{1'000'000'007} * each.period());
            EXPECT_TRUE(test::sameText(bytes, row.output.substr(odd))) << "from position " << odd;
            auto units = test::widened(row.input);
            each.apply(std::span(units), 0);
            EXPECT_TRUE(test::sameText(units, test::widened(row.output))) << "as the window's UTF-16 text";
        }
    }
}

// The model's arrays are empty until its first pass fills them.
bool sameState(const WheelState& engine, const literal::Machine& model)
{
    bool same = engine.stepWheel() == model.stepWheel && engine.wheelLength() == model.wheelLength &&
                engine.wheelCount() == model.wheelCount;
    for (int k = 1; k <= kWheelTotal; ++k)
        for (int i = 1; i <= kWheelLength; ++i)
            same = same && (k > kPairTotal || engine.pairPosition(k) == model.pairPosition[k]) &&
                   engine.workingWheels()[k - 1].charAt(i - 1) == model.workingWheel[k][i - 1] &&
                   (model.wheelArray[k].size() < 2 || engine.wheelArrayElement(k, i) == model.wheelArray[k][i]);
    return same;
}

// Where off-by-one faults hide for wheel count W: around W and 96, at
// multiples of W (the cursor wraps exactly), and around one period (96W),
// where the cipher turns to its table and DecryptPass turns forward by division.
std::vector<std::size_t> edgeLengths(std::size_t w, std::mt19937& rng)
{
    std::vector<std::size_t> all{0, 1, w - 1, w, w + 1, 96, 97, (96 / w + 1) * w, 96 * w + 1, 97 * w};
    if (VELMOR_FULL_SAMPLE) all.insert(all.end(), {192, 2 * (96 / w + 1) * w, 96 * w, 193 * w, 3000 + rng() % 1000});
    return all;
}

std::u16string asText(const std::string& bytes) { return literal::fromBytes(bytes); }
std::u16string asText(const std::u16string& units) { return units; }

// Counts from the largest down, so that the pairs above W/2 keep positions
// that a larger count left. Each case carries on from the state the last left.
TEST_P(OnEveryWalk, AgreesWithTheLiteralModel)
{
    WheelState engine;
    literal::Machine model;
    const auto both = [&](const auto& step) { step(engine), step(model); };
    both([](auto& machine) { machine.LoadWheels(); });
    ASSERT_TRUE(sameState(engine, model)) << "after LoadWheels";
    std::mt19937 rng(11);
    // Alphabet characters, but one in five drawn by `other`.
    const auto randomText = [&, alphabet = model.pristineWheel[1]](std::size_t length, const auto& other) {
        std::u16string text(length, 0);
        for (char16_t& c : text) c = rng() % 5 != 0 ? alphabet[rng() % 96] : other();
        return text;
    };
    for (auto w = kWheelCounts.rbegin(); w != kWheelCounts.rend(); ++w) {
        if (!VELMOR_FULL_SAMPLE && *w % 10 != 0 && *w != kMinWheelCount) continue;
        ASSERT_TRUE(engine.setWheelCount(*w));
        model.wheelCount = static_cast<std::int16_t>(*w);
        for (const std::size_t length : edgeLengths(static_cast<std::size_t>(*w), rng)) {
            const auto direction = static_cast<Direction>(rng() % 2);
            const bool encrypt = direction == Direction::Encrypt, wide = rng() % 2 == 0;
            const int passes = kPassCounts[rng() % kPassCounts.size()], ranges = std::array{1, 2, 3, 5, 16}[rng() % 5];
            // Passwords longer than 30 wheels and with characters on no wheel,
            // seen without the last character of `keys`, so that a read past
            // their end shows; texts with characters that pass through, in 16
            // bits above 255.
            const std::u16string keys = randomText(rng() % 35 + 1, [&] { return u"\"\t\u00E9\u2019"[rng() % 4]; });
            const std::u16string_view password(keys.data(), keys.size() - 1);
            const std::u16string text = randomText(length, [&] { return char16_t(rng() % (wide ? 0x2200 : 256)); });
            // (wheels, length, passes, encrypt, 16-bit)
            SCOPED_TRACE(testing::PrintToString(std::tuple(*w, length, passes, encrypt, wide)));
            const auto run = [&](auto input) {
                using CharT = typename decltype(input)::value_type;
                // A single pass, entered with any cursor.
                both([&](auto& machine) { machine.KeyWheels(password); });
                const int entry = rng() % 4 == 0 ? static_cast<int>(rng() % 36) - 2 : 1;
                engine.setStepWheel(entry);
                model.stepWheel = static_cast<std::int16_t>(entry);
                const auto passed = encrypt ? engine.EncryptPass<CharT>(input) : engine.DecryptPass<CharT>(input);
                ASSERT_EQ(asText(passed), encrypt ? model.EncryptPass(text) : model.DecryptPass(text));
                ASSERT_TRUE(sameState(engine, model)) << "after a pass entered at " << entry;
                both([](auto& machine) { machine.RestoreWheels(); });
                runPasses(engine, direction, password, passes, std::span(input), inRanges(ranges), *GetParam());
                // The model's commands are listed in the order of the directions.
                ASSERT_EQ(asText(input), model.RunCommand(literal::Command(direction), password, passes, text));
                ASSERT_TRUE(sameState(engine, model)) << "after the command";
            };
            wide ? run(text) : run(std::string(text.begin(), text.end()));
            if (HasFatalFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Walk, OnEveryWalk, testing::ValuesIn(runnableTableWalks()),
                         [](const auto& info) { return std::string(info.param->name); });

}  // namespace
}  // namespace velmor
