// SPDX-License-Identifier: MIT
// The period table of a Cipher and the walk that ciphers 8-bit text through
// it, picked from what the processor offers: AVX-512 VBMI, AVX2, or plain
// C++. Each walk has its own layout of the table.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmor {

// Forces one walk, by the names runnableTableWalks() gives, for tests and
// benchmarks; unset or empty, the fastest walk the processor runs is taken.
inline constexpr char kTableWalkVariable[] = "VELMOR_TABLE_WALK";

// The walks this processor and build can run, fastest first.
std::vector<std::string> runnableTableWalks();

class PeriodTable {
public:
    enum class Walk { Avx512Vbmi, Avx2, Portable };

    // The walk kTableWalkVariable names, or the fastest one this processor
    // runs. Throws std::runtime_error for a name it does not know or a walk
    // the processor cannot run: a forced walk is never silently replaced.
    static Walk chosenWalk();

    PeriodTable() = default;
    // A table of `period` rows (a multiple of 64). Every row must be set
    // before the table is applied.
    PeriodTable(Walk walk, std::size_t period);

    bool empty() const noexcept { return period_ == 0; }
    // Row `row` substitutes the symbols as `map` says; codes outside the
    // alphabet stand for themselves.
    void setRow(std::size_t row, const SymbolMap& map) noexcept;

    // Ciphers `text` in place, its first byte being at row `firstRow`.
    void apply(std::span<std::uint8_t> text, std::size_t firstRow) const noexcept;
    // The same for 16-bit text, whose code units above 255 stand for
    // themselves.
    void apply(std::span<char16_t> text, std::size_t firstRow) const noexcept;

private:
    std::uint8_t* aligned() noexcept;
    const std::uint8_t* aligned() const noexcept;

    Walk walk_ = Walk::Portable;
    std::size_t period_ = 0;
    // The table, from the first 64-byte boundary in it (a copy of the vector
    // may put that boundary elsewhere, so it is found on each use).
    std::vector<std::uint8_t> bytes_;
};

}  // namespace velmor
