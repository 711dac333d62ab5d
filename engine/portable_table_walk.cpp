// SPDX-License-Identifier: MIT
// Visiting positions in text order would touch every row once a period and
// keep the whole table streaming through the L1 cache. Positions one period
// apart share a row, so a block of periods is walked column by column
// instead: 8 neighbouring rows (1 KiB) stay hot while 8 bytes of each period
// of the block go through them, read and written as one 64-bit word.
#include "portable_table_walk.h"

#include "delta_row.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velmor {
namespace {

constexpr std::size_t kWord = 8;
// 64 periods keep the words of a column group (one cache line per period,
// 4 KiB in all) in L1 while its 8 rows are in use, and fetch each row from
// L2 once for 64 look-ups.
constexpr std::size_t kBlockPeriods = 64;

constexpr unsigned shiftOf(std::size_t byte) noexcept
{
    const auto bits = static_cast<unsigned>(8 * byte);
    return std::endian::native == std::endian::little ? bits : 56 - bits;
}

inline std::uint8_t cipherByte(const std::uint8_t* row, std::uint8_t code) noexcept
{
    return static_cast<std::uint8_t>(code ^ row[kSlotOfCode[code]]);
}

void cipherBytes(const std::uint8_t* table, std::size_t period, std::size_t row, std::uint8_t* text,
                 std::size_t size) noexcept
{
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = cipherByte(table + row * kDeltaSlots, text[i]);
        if (++row == period) row = 0;
    }
}

// At most kBlockPeriods periods, from row `firstRow`, a multiple of 8: the 8
// rows of a column group then lie side by side, reached from one pointer.
void walkBlock(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
               std::size_t size) noexcept
{
    const std::size_t columns = std::min(period, size);
    std::size_t row = firstRow;
    for (std::size_t column = 0; column < columns; column += kWord) {
        const std::uint8_t* const rows = table + row * kDeltaSlots;
        std::size_t at = column;
        for (; at + kWord <= size; at += period) {
            std::uint64_t delta = 0;
            for (std::size_t b = 0; b < kWord; ++b)
                delta |= std::uint64_t{rows[b * kDeltaSlots + kSlotOfCode[text[at + b]]]} << shiftOf(b);
            std::uint64_t word;
            std::memcpy(&word, text + at, kWord);
            word ^= delta;
            std::memcpy(text + at, &word, kWord);
        }
        for (std::size_t b = 0; at + b < size && b < kWord; ++b)
            text[at + b] = cipherByte(rows + b * kDeltaSlots, text[at + b]);
        row += kWord;
        if (row == period) row = 0;
    }
}

}  // namespace

std::size_t portableTableBytes(std::size_t period) noexcept { return period * kDeltaSlots; }

void setPortableRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept
{
    const auto deltas = deltaRow(map);
    std::memcpy(table + row * kDeltaSlots, deltas.data(), kDeltaSlots);
}

void walkPortableTable(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                       std::size_t size) noexcept
{
    const std::size_t lead = std::min(size, (kWord - firstRow % kWord) % kWord);
    cipherBytes(table, period, firstRow, text, lead);
    firstRow = (firstRow + lead) % period;
    text += lead;
    size -= lead;
    // Every block starts at the same row: a block is a whole number of periods.
    const std::size_t blockBytes = kBlockPeriods * period;
    for (std::size_t start = 0; start < size; start += blockBytes)
        walkBlock(table, period, firstRow, text + start, std::min(blockBytes, size - start));
}

}  // namespace velmor
