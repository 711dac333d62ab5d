// The multi-pass cipher, per position and tabulated.
#include "cipher.h"

#include "keying.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace velmor {
namespace {

constexpr int kTableWidth = 256;

}  // namespace

Cipher::Cipher(const WheelSet& keyedWheels, int wheelCount, int passes, Direction direction,
               std::uint64_t textLength)
    : wheels_(keyedWheels), wheelCount_(wheelCount), passes_(passes), direction_(direction)
{
    if (!isValidWheelCount(wheelCount)) throw std::invalid_argument("wheel count must be even, from 4 to 30");
    if (!isValidPassCount(passes)) throw std::invalid_argument("pass count must be 1, 3, 6, 9 or 12");
    if (textLength > period()) buildTable();
}

Cipher Cipher::forPassword(std::u16string_view password, int wheelCount, int passes, Direction direction,
                           std::uint64_t textLength)
{
    return Cipher(keyedWheels(builtinWheels(), password), wheelCount, passes, direction, textLength);
}

Symbol Cipher::cipherSymbol(std::uint64_t position, Symbol symbol) const noexcept
{
    const ArrayTurns turns = turnsBefore(position, wheelCount_);
    PairPositions found{};
    for (int pass = 0; pass < passes_; ++pass)
        symbol = direction_ == Direction::Encrypt ? encipherSymbol(wheels_, wheelCount_, turns, symbol, found)
                                                  : decipherSymbol(wheels_, wheelCount_, turns, symbol, found);
    return symbol;
}

void Cipher::buildTable()
{
    const auto rows = static_cast<std::size_t>(period());
    table_.resize(rows * kTableWidth);
    std::array<Symbol, kWheelLength> once{};
    for (std::size_t row = 0; row < rows; ++row) {
        const ArrayTurns turns = turnsBefore(row, wheelCount_);
        PairPositions found{};
        for (int s = 0; s < kWheelLength; ++s) {
            const auto symbol = static_cast<Symbol>(s);
            once[symbol] = direction_ == Direction::Encrypt ? encipherSymbol(wheels_, wheelCount_, turns, symbol, found)
                                                            : decipherSymbol(wheels_, wheelCount_, turns, symbol, found);
        }
        std::uint8_t* entries = table_.data() + row * kTableWidth;
        for (int code = 0; code < kTableWidth; ++code) entries[code] = static_cast<std::uint8_t>(code);
        // Every pass at one position is the same substitution, so N passes
        // apply it N times.
        for (int s = 0; s < kWheelLength; ++s) {
            Symbol symbol = static_cast<Symbol>(s);
            for (int pass = 0; pass < passes_; ++pass) symbol = once[symbol];
            entries[charOf(static_cast<Symbol>(s))] = static_cast<std::uint8_t>(charOf(symbol));
        }
    }
}

template <class CharT>
void Cipher::applyDirect(std::span<CharT> text, std::uint64_t firstPosition) const noexcept
{
    std::uint64_t position = firstPosition;
    for (CharT& c : text) {
        const int symbol = symbolOf(codeOf(c));
        if (symbol != kNotInAlphabet) c = static_cast<CharT>(charOf(cipherSymbol(position, static_cast<Symbol>(symbol))));
        ++position;
    }
}

template <class CharT>
void Cipher::applyTable(std::span<CharT> text, std::uint64_t firstPosition) const noexcept
{
    const std::uint8_t* const first = table_.data();
    const std::uint8_t* const last = first + table_.size();
    const std::uint8_t* row = first + (firstPosition % period()) * kTableWidth;
    CharT* c = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        // Run to the end of the table without a wrap check inside the loop.
        const auto rowsToEnd = static_cast<std::size_t>(last - row) / kTableWidth;
        const std::size_t run = std::min(left, rowsToEnd);
        for (std::size_t i = 0; i < run; ++i, row += kTableWidth) {
            const char32_t code = codeOf(c[i]);
            if constexpr (sizeof(CharT) == 1)
                c[i] = static_cast<CharT>(row[code]);
            else if (code < static_cast<char32_t>(kTableWidth))
                c[i] = static_cast<CharT>(row[code]);
        }
        c += run;
        left -= run;
        if (row == last) row = first;
    }
}

void Cipher::apply(std::span<char> text, std::uint64_t firstPosition) const noexcept
{
    table_.empty() ? applyDirect(text, firstPosition) : applyTable(text, firstPosition);
}

void Cipher::apply(std::span<char16_t> text, std::uint64_t firstPosition) const noexcept
{
    table_.empty() ? applyDirect(text, firstPosition) : applyTable(text, firstPosition);
}

template <class CharT>
void Cipher::applyInChunks(std::span<CharT> text, std::uint64_t firstPosition, unsigned threads) const
{
    threads = std::max(1U, threads);
    const std::size_t chunk = (text.size() + threads - 1) / threads;
    if (threads == 1 || chunk == 0) {
        apply(text, firstPosition);
        return;
    }
    std::vector<std::jthread> workers;
    for (std::size_t start = chunk; start < text.size(); start += chunk) {
        const auto part = text.subspan(start, std::min(chunk, text.size() - start));
        workers.emplace_back([this, part, firstPosition, start] { apply(part, firstPosition + start); });
    }
    apply(text.first(std::min(chunk, text.size())), firstPosition);
}

void Cipher::applyParallel(std::span<char> text, std::uint64_t firstPosition, unsigned threads) const
{
    applyInChunks(text, firstPosition, threads);
}

void Cipher::applyParallel(std::span<char16_t> text, std::uint64_t firstPosition, unsigned threads) const
{
    applyInChunks(text, firstPosition, threads);
}

}  // namespace velmor
