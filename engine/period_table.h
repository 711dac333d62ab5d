// SPDX-License-Identifier: MIT
// The period table of a Cipher, laid out for the walk that ciphers 8-bit text
// through it (table_walk.h).
#pragma once

#include "table_walk.h"
#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmor {

class PeriodTable {
public:
    PeriodTable() = default;
    // A table of `period` rows (a multiple of 64) for `walk`. Every row must
    // be set before the table is applied.
    PeriodTable(const TableWalk& walk, std::size_t period);

    bool empty() const noexcept { return period_ == 0; }
    // Row `row` substitutes the symbols as `map` says; codes outside the
    // alphabet stand for themselves.
    void setRow(std::size_t row, const SymbolMap& map) noexcept;

    // Ciphers `text` in place, its first byte being at row `firstRow`.
    // Throws std::bad_alloc when the walk's scratch space cannot be had.
    void apply(std::span<std::uint8_t> text, std::size_t firstRow) const;
    // The same for 16-bit text, whose code units above 255 stand for
    // themselves.
    void apply(std::span<char16_t> text, std::size_t firstRow) const;

private:
    // One cache line: a vector of them starts on a 64-byte boundary, and so
    // does every copy of it.
    struct alignas(64) Line {
        std::uint8_t bytes[64];
    };

    std::uint8_t* bytes() noexcept { return reinterpret_cast<std::uint8_t*>(lines_.data()); }
    const std::uint8_t* bytes() const noexcept { return reinterpret_cast<const std::uint8_t*>(lines_.data()); }

    const TableWalk* walk_ = nullptr;
    std::size_t period_ = 0;
    std::vector<Line> lines_;
};

}  // namespace velmor
