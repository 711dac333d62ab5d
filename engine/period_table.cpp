// SPDX-License-Identifier: MIT
// Lays out the table for its walk and passes 16-bit text through it in 8-bit
// chunks.
#include "period_table.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace velmor {
namespace {

// 16-bit text goes through the walks in chunks of this many periods: whole
// blocks for the vector walks.
constexpr std::size_t kWideChunkPeriods = 64;

// units[i] := bytes[i] where units[i] is below 256, written as masks so that
// the compiler vectorises it.
void merge(char16_t* units, const std::uint8_t* bytes, std::size_t size) noexcept
{
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        const auto keep = static_cast<char16_t>(-static_cast<int>(unit > 255));
        units[i] = static_cast<char16_t>((unit & keep) | (bytes[i] & ~keep));
    }
}

}  // namespace

PeriodTable::PeriodTable(const TableWalk& walk, std::size_t period)
    : walk_(&walk), period_(period), lines_((walk.tableBytes(period) + sizeof(Line) - 1) / sizeof(Line), Line{})
{}

void PeriodTable::setRow(std::size_t row, const SymbolMap& map) noexcept
{
    walk_->setRow(bytes(), row, map);
}

void PeriodTable::apply(std::span<std::uint8_t> text, std::size_t firstRow) const
{
    walk_->walk(bytes(), period_, firstRow, text.data(), text.size());
}

// Each chunk is narrowed to bytes, a code unit above 255 becoming 0 (which
// stands for itself), walked, and merged back where the unit was below 256.
void PeriodTable::apply(std::span<char16_t> text, std::size_t firstRow) const
{
    const std::size_t chunk = std::min(text.size(), kWideChunkPeriods * period_);
    // Left uninitialised (the WebAssembly build's library has no
    // make_unique_for_overwrite): every byte is written before it is read.
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[chunk]);
    std::size_t row = firstRow;
    for (std::size_t start = 0; start < text.size(); start += chunk) {
        const std::size_t size = std::min(chunk, text.size() - start);
        char16_t* const units = text.data() + start;
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = units[i] < 256 ? static_cast<std::uint8_t>(units[i]) : std::uint8_t{0};
        apply(std::span<std::uint8_t>(bytes.get(), size), row);
        merge(units, bytes.get(), size);
        row = (row + size) % period_;
    }
}

}  // namespace velmor
