// The fast engine against the literal model: single passes on the state
// object, whole commands (runPasses), and the multi-pass Cipher on 8-bit and
// 16-bit text, whole, in chunks and in parallel. Every result and every field
// of the state object must agree.
#include "engine/cipher.h"
#include "engine/keying.h"
#include "engine/passes.h"
#include "test_support.h"

#include <map>
#include <span>

namespace velmor {
namespace {

using literal::Command;
using test::Text;
using test::Width;

Command commandOf(Direction direction)
{
    return direction == Direction::Encrypt ? Command::Encrypt : Command::Decrypt;
}

const char* nameOf(Direction direction) { return direction == Direction::Encrypt ? "encrypt" : "decrypt"; }

// A pair of state objects, the engine's and the model's, started alike.
struct StatePair {
    WheelState engine;
    literal::Machine model;

    StatePair()
    {
        engine.LoadWheels();
        model.LoadWheels();
    }

    void setWheelCount(int count)
    {
        ASSERT_TRUE(engine.setWheelCount(count));
        model.wheelCount = static_cast<std::int16_t>(count);
    }
};

// The 16-bit text with its wide code units (outside the alphabet, so they
// pass through) replaced by bytes that pass through too: the 8-bit twin of
// the same text, whose result differs only at those positions.
Text narrowed(const Text& text, std::mt19937& rng)
{
    static constexpr char32_t kBytes[] = {9, 0x7F, 0x81, 0x8D, 0x9D, 0xA0, 0xE9, 0xFF};
    Text result = text;
    for (char32_t& c : result)
        if (c > 255) c = kBytes[std::uniform_int_distribution<std::size_t>(0, std::size(kBytes) - 1)(rng)];
    return result;
}

// The result for the 8-bit twin: the model's result with the same
// replacements at the same positions.
Text twinResult(const Text& result, const Text& wide, const Text& narrow)
{
    Text twin = result;
    for (std::size_t i = 0; i < twin.size(); ++i)
        if (wide[i] != narrow[i]) twin[i] = narrow[i];
    return twin;
}

// ---- Single passes on the state object ---------------------------------------

TEST(Differential, SinglePassesOnTheStateObject)
{
    std::mt19937 rng(11);
    StatePair pair;
    auto counts = test::sampledWheelCounts();
    std::shuffle(counts.begin(), counts.end(), rng);  // pairs above W/2 keep older positions
    for (const int wheels : counts) {
        pair.setWheelCount(wheels);
        for (const std::size_t length : test::edgeLengths(wheels, rng)) {
            for (const Width width : {Width::Bytes, Width::Utf16}) {
                SCOPED_TRACE(testing::Message() << wheels << " wheels, length " << length
                                                << (width == Width::Bytes ? ", 8-bit" : ", 16-bit"));
                const std::u16string password = test::randomPassword(rng, wheels);
                const Text plain = test::randomText(rng, length, width);

                pair.engine.KeyWheels(password);
                pair.model.KeyWheels(test::modelText(password));
                ASSERT_TRUE(test::sameState(pair.engine, pair.model)) << "after KeyWheels";

                pair.engine.setStepWheel(1);
                pair.model.stepWheel = 1;
                const Text expected = pair.model.EncryptPass(plain);
                if (width == Width::Bytes)
                    ASSERT_EQ(pair.engine.EncryptPass<char>(test::bytesOf(plain)), test::bytesOf(expected));
                else
                    ASSERT_EQ(pair.engine.EncryptPass<char16_t>(test::unitsOf(plain)), test::unitsOf(expected));
                ASSERT_TRUE(test::sameState(pair.engine, pair.model)) << "after EncryptPass";

                // Decrypt the cipher text with any stepWheel on entry: the
                // plain text comes back, and the states still agree.
                const int entry = std::uniform_int_distribution<int>(-2, 33)(rng);
                pair.engine.setStepWheel(entry);
                pair.model.stepWheel = static_cast<std::int16_t>(entry);
                const Text back = pair.model.DecryptPass(expected);
                ASSERT_EQ(back, plain) << "model round trip";
                if (width == Width::Bytes)
                    ASSERT_EQ(pair.engine.DecryptPass<char>(test::bytesOf(expected)), test::bytesOf(plain));
                else
                    ASSERT_EQ(pair.engine.DecryptPass<char16_t>(test::unitsOf(expected)), test::unitsOf(plain));
                ASSERT_TRUE(test::sameState(pair.engine, pair.model)) << "after DecryptPass";

                // Decrypt a text that no encryption made.
                const Text other = test::randomText(rng, length, width);
                const Text otherBack = pair.model.DecryptPass(other);
                if (width == Width::Bytes)
                    ASSERT_EQ(pair.engine.DecryptPass<char>(test::bytesOf(other)), test::bytesOf(otherBack));
                else
                    ASSERT_EQ(pair.engine.DecryptPass<char16_t>(test::unitsOf(other)), test::unitsOf(otherBack));
                ASSERT_TRUE(test::sameState(pair.engine, pair.model)) << "after DecryptPass of other text";

                pair.engine.RestoreWheels();
                pair.model.RestoreWheels();
                ASSERT_TRUE(test::sameState(pair.engine, pair.model)) << "after RestoreWheels";
            }
        }
    }
}

// EncryptPass moves the cursor on from whatever value it finds
// (the commands always set 1): values outside 1..30 turn nothing until the
// cursor wraps, or, above wheelCount + 1, never.
TEST(Differential, EncryptPassFromAnyStepWheel)
{
    std::mt19937 rng(12);
    StatePair pair;
    for (const int wheels : {4, 12, 30}) {
        pair.setWheelCount(wheels);
        for (const int entry : {-3, 0, 1, 2, wheels - 1, wheels, wheels + 1, wheels + 2, 31, 32}) {
            SCOPED_TRACE(testing::Message() << wheels << " wheels, stepWheel " << entry);
            const std::u16string password = test::randomPassword(rng, wheels);
            const Text plain = test::randomText(rng, 150, Width::Utf16);
            pair.engine.KeyWheels(password);
            pair.model.KeyWheels(test::modelText(password));
            pair.engine.setStepWheel(entry);
            pair.model.stepWheel = static_cast<std::int16_t>(entry);
            ASSERT_EQ(pair.engine.EncryptPass<char16_t>(test::unitsOf(plain)), test::unitsOf(pair.model.EncryptPass(plain)));
            ASSERT_TRUE(test::sameState(pair.engine, pair.model));
            pair.engine.RestoreWheels();
            pair.model.RestoreWheels();
        }
    }
}

// ---- Whole commands and the multi-pass cipher --------------------------------

struct Snapshot {
    Text result;
    literal::Machine state;
};

// The model's command with each pass count. Every pass of the frame of Part
// 2.2 is the same, so the command with P passes is the first P passes of the
// 12-pass one (ModelFrame.CommandIsItsPassesInTurn checks this).
std::map<int, Snapshot> modelCommands(const literal::Machine& start, Command command, const Text& password,
                                      const Text& text)
{
    std::map<int, Snapshot> snapshots;
    literal::Machine model = start;
    Text current = text;
    for (int passes = 1; passes <= kPassCounts.back(); ++passes) {
        current = model.RunCommand(command, password, 1, current);
        if (isValidPassCount(passes)) snapshots[passes] = {current, model};
    }
    return snapshots;
}

// Cuts [0, size) into pieces of random size.
std::vector<std::pair<std::size_t, std::size_t>> randomChunks(std::size_t size, std::mt19937& rng)
{
    std::vector<std::pair<std::size_t, std::size_t>> chunks;
    const std::size_t largest = std::max<std::size_t>(1, size / 3);
    for (std::size_t start = 0; start < size;) {
        const std::size_t length = std::min(size - start, std::uniform_int_distribution<std::size_t>(1, largest)(rng));
        chunks.emplace_back(start, length);
        start += length;
    }
    return chunks;
}

template <class CharT>
std::basic_string<CharT> applyInRandomChunks(const Cipher& cipher, std::basic_string<CharT> text, std::mt19937& rng)
{
    for (const auto& [start, length] : randomChunks(text.size(), rng))
        cipher.apply(std::span<CharT>(text.data() + start, length), start);
    return text;
}

TEST(Differential, CommandsAndCipherAgreeWithTheModel)
{
    std::mt19937 rng(13);
    StatePair pair;
    auto counts = test::sampledWheelCounts();
    std::shuffle(counts.begin(), counts.end(), rng);
    for (const int wheels : counts) {
        pair.setWheelCount(wheels);
        for (const Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
            // One password per wheel count and direction, so that the ciphers
            // (and their tables) serve every length.
            const std::u16string password = test::randomPassword(rng, wheels);
            const Text modelPassword = test::modelText(password);
            const WheelSet keyed = keyedWheels(builtinWheels(), password);
            std::map<int, Cipher> positionwise, table;
            for (const int passes : kPassCounts) {
                positionwise.emplace(passes, Cipher(keyed, wheels, passes, direction, 0));
                table.emplace(passes, Cipher(keyed, wheels, passes, direction, Cipher::kUnknownLength));
            }
            for (const std::size_t length : test::edgeLengths(wheels, rng)) {
                const Text wide = test::randomText(rng, length, Width::Utf16);
                const Text narrow = narrowed(wide, rng);
                const auto snapshots = modelCommands(pair.model, commandOf(direction), modelPassword, wide);
                WheelState carried;
                for (const auto& [passes, snapshot] : snapshots) {
                    SCOPED_TRACE(testing::Message() << nameOf(direction) << ", " << wheels << " wheels, " << passes
                                                    << " passes, length " << length);
                    const std::u16string expected16 = test::unitsOf(snapshot.result);
                    const std::string expected8 = test::bytesOf(twinResult(snapshot.result, wide, narrow));
                    const std::u16string expected8Wide = test::unitsOf(twinResult(snapshot.result, wide, narrow));

                    // runPasses on the state object: result and state, in
                    // 16-bit and 8-bit by turns.
                    WheelState engine = pair.engine;
                    if (passes % 2 == 0) {
                        std::u16string units = test::unitsOf(wide);
                        runPasses(engine, direction, password, passes, std::span<char16_t>(units));
                        ASSERT_EQ(units, expected16) << "runPasses, 16-bit";
                    } else {
                        std::string bytes = test::bytesOf(narrow);
                        runPasses(engine, direction, password, passes, std::span<char>(bytes),
                                  1 + static_cast<unsigned>(length % 3));
                        ASSERT_EQ(bytes, expected8) << "runPasses, 8-bit";
                    }
                    ASSERT_TRUE(test::sameState(engine, snapshot.state)) << "runPasses";
                    if (passes == kPassCounts.back()) carried = engine;

                    // The cipher sized for the text: position by position up
                    // to one period, by table above.
                    if (passes == 1 || passes == 12) {
                        std::string bytes = test::bytesOf(narrow);
                        Cipher::forPassword(password, wheels, passes, direction, length).apply(std::span<char>(bytes), 0);
                        ASSERT_EQ(bytes, expected8) << "sized cipher";
                    }

                    // By table: whole, 8-bit and 16-bit alike, in random
                    // chunks, and on several threads.
                    const Cipher& byTable = table.at(passes);
                    std::u16string units = test::unitsOf(wide);
                    byTable.apply(std::span<char16_t>(units), 0);
                    ASSERT_EQ(units, expected16) << "table, 16-bit";
                    units = test::unitsOf(narrow);  // the same characters as the 8-bit text
                    byTable.apply(std::span<char16_t>(units), 0);
                    ASSERT_EQ(units, expected8Wide) << "table, 16-bit twin";
                    ASSERT_EQ(applyInRandomChunks(byTable, test::bytesOf(narrow), rng), expected8) << "table, 8-bit chunks";
                    ASSERT_EQ(applyInRandomChunks(byTable, test::unitsOf(wide), rng), expected16) << "table, 16-bit chunks";
                    const unsigned threads = 2 + static_cast<unsigned>(length % 4);
                    std::string bytes = test::bytesOf(narrow);
                    byTable.applyParallel(std::span<char>(bytes), 0, threads);
                    ASSERT_EQ(bytes, expected8) << "table, " << threads << " threads";

                    // Position by position: in chunks, and on several threads.
                    const Cipher& direct = positionwise.at(passes);
                    ASSERT_EQ(applyInRandomChunks(direct, test::unitsOf(wide), rng), expected16) << "direct, 16-bit chunks";
                    bytes = test::bytesOf(narrow);
                    direct.applyParallel(std::span<char>(bytes), 0, threads);
                    ASSERT_EQ(bytes, expected8) << "direct, " << threads << " threads";
                }
                // Carry the 12-pass command's state on to the next length.
                pair.engine = carried;
                pair.model = snapshots.at(kPassCounts.back()).state;
            }
        }
    }
}

// A chunk's result depends only on its first position mod one period (96W).
TEST(Differential, PositionsRepeatAfterOnePeriod)
{
    std::mt19937 rng(14);
    for (const int wheels : {4, 18, 30}) {
        const std::u16string password = test::randomPassword(rng, wheels);
        for (const Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
            const Cipher direct = Cipher::forPassword(password, wheels, 3, direction, 0);
            const Cipher table = Cipher::forPassword(password, wheels, 3, direction);
            const std::uint64_t period = direct.period();
            ASSERT_EQ(period, 96U * static_cast<unsigned>(wheels));
            const std::string text = test::bytesOf(test::randomText(rng, 500));
            const std::uint64_t offset = std::uniform_int_distribution<std::uint64_t>(0, period - 1)(rng);
            std::string expected = text;
            direct.apply(std::span<char>(expected), offset);
            for (const std::uint64_t laps : {std::uint64_t{1}, std::uint64_t{7}, std::uint64_t{1} << 40}) {
                for (const Cipher* cipher : {&direct, &table}) {
                    std::string shifted = text;
                    cipher->apply(std::span<char>(shifted), offset + laps * period);
                    EXPECT_EQ(shifted, expected) << wheels << " wheels, " << laps << " periods on";
                }
            }
        }
    }
}

}  // namespace
}  // namespace velmor
