// SPDX-License-Identifier: MIT
// Fuzzes the cipher: any bytes, password, wheel count and pass count must
// come back through decrypt-after-encrypt and encrypt-after-decrypt, and
// ciphering in chunks of any size must equal ciphering the whole text.
#include "engine/cipher.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using velmor::Cipher;
using velmor::Direction;

void check(bool condition)
{
    if (!condition) std::abort();
}

std::string cipherWhole(const Cipher& cipher, std::string text)
{
    cipher.apply(text, 0);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int wheelCount = 2 * input.ConsumeIntegralInRange(2, 15);
    const int passes = input.PickValueInArray(velmor::kPassCounts);
    // Building the table costs far more than a short text: build it now and then.
    const bool useTable = input.ConsumeIntegralInRange(0, 31) == 0;
    std::u16string password;
    const auto passwordLength = input.ConsumeIntegralInRange(0, wheelCount);
    for (int i = 0; i < passwordLength; ++i) password.push_back(input.ConsumeIntegral<char16_t>());
    std::vector<std::size_t> cuts;
    for (int i = input.ConsumeIntegralInRange(0, 8); i > 0; --i) cuts.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 300));
    const std::string original = input.ConsumeRemainingBytesAsString();

    const std::uint64_t length = useTable ? Cipher::kUnknownLength : original.size();
    const auto encrypt = Cipher::forPassword(password, wheelCount, passes, Direction::Encrypt, length);
    const auto decrypt = Cipher::forPassword(password, wheelCount, passes, Direction::Decrypt, length);

    const std::string encrypted = cipherWhole(encrypt, original);
    check(encrypted.size() == original.size());
    check(cipherWhole(decrypt, encrypted) == original);
    check(cipherWhole(encrypt, cipherWhole(decrypt, original)) == original);

    // The same text in chunks, each told where it starts.
    std::string chunked = original;
    std::size_t start = 0;
    for (std::size_t i = 0; start < chunked.size(); ++i) {
        const std::size_t run = cuts.empty() ? chunked.size() : std::min(cuts[i % cuts.size()], chunked.size() - start);
        encrypt.apply(std::span<char>(chunked).subspan(start, run), start);
        start += run;
    }
    check(chunked == encrypted);

    // 16-bit text gives the same result for the same characters.
    std::u16string wide(original.begin(), original.end());
    for (char16_t& c : wide) c = static_cast<unsigned char>(c);
    encrypt.apply(wide, 0);
    for (std::size_t i = 0; i < wide.size(); ++i) check(wide[i] == static_cast<unsigned char>(encrypted[i]));
    return 0;
}
