// SPDX-License-Identifier: MIT
// Visiting positions in text order would touch every row once a period and
// keep the table streaming through the L1 cache. Positions one period apart
// share a row, so a block of periods is walked column by column instead: 8
// neighbouring rows stay hot while 8 bytes of each period of the block go
// through them, read as one 64-bit word and written back byte by byte (two
// loads and a store per byte, the least plain C++ can do). Full rows beat
// rows of 128 deltas with a slot per code: the slot costs a load a byte, and
// the lines of a row that text reads are the same either way.
#include "portable_table_walk.h"

#include "alphabet.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velmor {
namespace {

constexpr std::size_t kWord = 8;
// 64 periods keep the words of a column group (one cache line per period,
// 4 KiB in all) in L1 while its 8 rows are in use, and fetch each row once
// for 64 look-ups. 128 measured slower.
constexpr std::size_t kBlockPeriods = 64;

constexpr unsigned shiftOf(std::size_t byte) noexcept
{
    const auto bits = static_cast<unsigned>(8 * byte);
    return std::endian::native == std::endian::little ? bits : 56 - bits;
}

// The bytes before the next column group: fewer than 8, and all in the rows
// up to the end of the period, since the period is a multiple of 8.
void cipherLead(const std::uint8_t* table, std::size_t firstRow, std::uint8_t* text, std::size_t size) noexcept
{
    for (std::size_t i = 0; i < size; ++i) text[i] = table[(firstRow + i) * kPortableRowBytes + text[i]];
}

// A hint to fetch the line at `address` ahead, where the compiler offers one.
inline void prefetch([[maybe_unused]] const std::uint8_t* address) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#endif
}

// At most kBlockPeriods periods, from row `firstRow`, a multiple of 8: the 8
// rows of a column group then lie side by side, reached from one pointer.
// With `prefetchNext`, the block after this one is fetched ahead in even
// shares per column group: its lines lie a period apart, a pattern the
// hardware does not fetch ahead.
void walkBlock(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
               std::size_t size, bool prefetchNext) noexcept
{
    const std::size_t columns = std::min(period, size);
    const std::size_t share = kBlockPeriods * kWord;
    std::size_t row = firstRow;
    for (std::size_t column = 0; column < columns; column += kWord) {
        if (prefetchNext)
            for (std::size_t line = 0; line < share; line += 64) prefetch(text + size + column * kBlockPeriods + line);
        const std::uint8_t* const rows = table + row * kPortableRowBytes;
        row += kWord;
        if (row == period) row = 0;
        // The next group's rows, where text reads them: codes 0..191 hold
        // the whole alphabet. With 30 wheels the table outgrows a 512 KiB L2
        // cache, and rows then come from L3.
        const std::uint8_t* const nextRows = table + row * kPortableRowBytes;
        for (std::size_t r = 0; r < kWord; ++r)
            for (std::size_t line = 0; line < 3 * 64; line += 64) prefetch(nextRows + r * kPortableRowBytes + line);
        std::size_t at = column;
        for (; at + kWord <= size; at += period) {
            std::uint64_t word;
            std::memcpy(&word, text + at, kWord);
            for (std::size_t b = 0; b < kWord; ++b)
                text[at + b] = rows[b * kPortableRowBytes + static_cast<std::uint8_t>(word >> shiftOf(b))];
        }
        for (std::size_t b = 0; at + b < size && b < kWord; ++b) text[at + b] = rows[b * kPortableRowBytes + text[at + b]];
    }
}

}  // namespace

std::size_t portable_tableBytes(std::size_t period) noexcept { return period * kPortableRowBytes; }

void portable_setRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept
{
    std::uint8_t* const entries = table + row * kPortableRowBytes;
    // Codes outside the alphabet stand for themselves.
    for (std::size_t code = 0; code < kPortableRowBytes; ++code) entries[code] = static_cast<std::uint8_t>(code);
    for (int s = 0; s < kWheelLength; ++s)
        entries[charOf(static_cast<Symbol>(s))] = static_cast<std::uint8_t>(charOf(map[static_cast<std::size_t>(s)]));
}

void portable_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                   std::size_t size) noexcept
{
    const std::size_t lead = std::min(size, (kWord - firstRow % kWord) % kWord);
    cipherLead(table, firstRow, text, lead);
    firstRow = (firstRow + lead) % period;
    text += lead;
    size -= lead;
    // Every block starts at the same row: a block is a whole number of periods.
    const std::size_t blockBytes = kBlockPeriods * period;
    for (std::size_t start = 0; start < size; start += blockBytes)
        walkBlock(table, period, firstRow, text + start, std::min(blockBytes, size - start),
                  size - start >= 2 * blockBytes);
}

}  // namespace velmor
