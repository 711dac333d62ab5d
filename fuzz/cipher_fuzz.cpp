// SPDX-License-Identifier: MIT
// Fuzzes the cipher's walks: for any text, wheel count and first position,
// every walk the processor runs must give the portable walk's result, whole,
// cut into chunks of any size and as 16-bit text, and decryption must undo
// it, and the table must agree with the cipher worked out position by
// position. Keying and building a table cost far more than walking a text,
// so the ciphers are keyed once per wheel count (a text's period) and kept;
// now and then an input keys afresh with its own password and pass count,
// and decryption must undo encryption. The text is the input repeated, so
// a short input reaches every path of the walks.
#include "engine/cipher.h"
#include "engine/table_walk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using velmor::Cipher;
using velmor::Direction;
using velmor::TableWalk;

void check(bool condition)
{
    if (!condition) std::abort();
}

// One wheel count's ciphers, keyed once: both directions' tables on every
// walk the processor runs (the portable walk last), and the encryption
// without a table, position by position.
struct Ciphers {
    std::vector<Cipher> encrypt;
    std::vector<Cipher> decrypt;
    std::optional<Cipher> direct;
};

const Ciphers& ciphersFor(int wheelCount)
{
    // Kept for the whole run, as libFuzzer calls this once per input.
    static std::map<int, std::unique_ptr<const Ciphers>> kept;
    auto& ciphers = kept[wheelCount];
    if (!ciphers) {
        constexpr char16_t kPassword[] = u"Fuzz \u00A3 key";
        auto built = std::make_unique<Ciphers>();
        for (const TableWalk* walk : velmor::runnableTableWalks())
            for (const Direction direction : {Direction::Encrypt, Direction::Decrypt})
                (direction == Direction::Encrypt ? built->encrypt : built->decrypt)
                    .push_back(Cipher::forPassword(kPassword, wheelCount, 3, direction, Cipher::kUnknownLength, *walk));
        built->direct = Cipher::forPassword(kPassword, wheelCount, 3, Direction::Encrypt, 0);
        ciphers = std::move(built);
    }
    return *ciphers;
}

template <class Text>
Text ciphered(const Cipher& cipher, Text text, std::uint64_t firstPosition)
{
    cipher.apply(text, firstPosition);
    return text;
}

// A text of `length` bytes: `pattern` over and over.
std::string repeated(const std::string& pattern, std::size_t length)
{
    std::string text(length, '\0');
    if (!pattern.empty())
        for (std::size_t i = 0; i < length; ++i) text[i] = pattern[i % pattern.size()];
    return text;
}

// A fresh key and pass count: decryption undoes encryption, position by
// position.
void checkKeying(FuzzedDataProvider& input, int wheelCount, const std::string& text)
{
    const int passes = input.PickValueInArray(velmor::kPassCounts);
    std::u16string password;
    for (int i = input.ConsumeIntegralInRange(0, wheelCount); i > 0; --i)
        password.push_back(input.ConsumeIntegral<char16_t>());
    const auto cipher = [&](Direction direction) {
        return Cipher::forPassword(password, wheelCount, passes, direction, text.size());
    };
    const Cipher encrypt = cipher(Direction::Encrypt);
    const Cipher decrypt = cipher(Direction::Decrypt);
    check(ciphered(decrypt, ciphered(encrypt, text, 0), 0) == text);
    check(ciphered(encrypt, ciphered(decrypt, text, 0), 0) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int wheelCount = 2 * input.ConsumeIntegralInRange(2, 15);
    const std::size_t period = 96 * static_cast<std::size_t>(wheelCount);
    // Far past 32 bits, but not where a text's positions would pass 2^64.
    const std::uint64_t firstPosition = input.ConsumeIntegralInRange<std::uint64_t>(0, std::uint64_t{1} << 62);
    // Lengths spread evenly over their number of bits, so that most texts
    // are short and quick, up to 64 KiB: past 128 periods (where the walks
    // fetch the next block ahead) for 4 wheels, past 64 (a whole block of
    // the vector walks) up to 10.
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, std::size_t{1}
                                                                               << input.ConsumeIntegralInRange(0, 16));
    const bool keyAfresh = input.ConsumeIntegralInRange(0, 15) == 0;
    std::vector<std::size_t> cuts;
    for (int i = input.ConsumeIntegralInRange(0, 8); i > 0; --i)
        cuts.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 2 * period));
    // Code units above 255 stand in 16-bit text where the byte is this one.
    const auto wideMark = input.ConsumeIntegral<unsigned char>();
    const std::string pattern = input.ConsumeRemainingBytesAsString();
    const std::string original = repeated(pattern, length);

    if (keyAfresh) {
        FuzzedDataProvider key(reinterpret_cast<const std::uint8_t*>(pattern.data()), pattern.size());
        checkKeying(key, wheelCount, original.substr(0, 300));
    }

    const Ciphers& ciphers = ciphersFor(wheelCount);
    const std::string expected = ciphered(ciphers.encrypt.back(), original, firstPosition);
    check(expected.size() == original.size());
    // The table's rows are the substitutions of the positions they stand for.
    const std::size_t head = std::min<std::size_t>(original.size(), 200);
    check(ciphered(*ciphers.direct, original.substr(0, head), firstPosition) == expected.substr(0, head));
    for (std::size_t walk = 0; walk < ciphers.encrypt.size(); ++walk) {
        const Cipher& encrypt = ciphers.encrypt[walk];
        check(ciphered(encrypt, original, firstPosition) == expected);
        check(ciphered(ciphers.decrypt[walk], expected, firstPosition) == original);

        // The same text in chunks, each told where it starts.
        std::string chunked = original;
        std::size_t start = 0;
        for (std::size_t i = 0; start < chunked.size(); ++i) {
            const std::size_t run = cuts.empty() ? chunked.size() : std::min(cuts[i % cuts.size()], chunked.size() - start);
            encrypt.apply(std::span<char>(chunked).subspan(start, run), firstPosition + start);
            start += run;
        }
        check(chunked == expected);

        // 16-bit text: the same for the same characters, code units above 255
        // unchanged.
        std::u16string wide(original.size(), u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
            const auto byte = static_cast<unsigned char>(original[i]);
            wide[i] = byte == wideMark ? static_cast<char16_t>(0x100 + byte) : byte;
        }
        const std::u16string wideResult = ciphered(encrypt, wide, firstPosition);
        for (std::size_t i = 0; i < wide.size(); ++i)
            check(wideResult[i] == (wide[i] > 255 ? wide[i] : static_cast<unsigned char>(expected[i])));
    }
    return 0;
}
