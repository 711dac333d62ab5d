// SPDX-License-Identifier: MIT
// The walks that cipher 8-bit text through a period table, one row of
// functions each, and the one the engine uses: the walk VELMOR_TABLE_WALK
// names, or else the fastest this processor runs, chosen once.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

// Forces one walk by its name, for benchmarks and the programs' own tests;
// unset or empty, the fastest walk the processor runs is taken.
inline constexpr char kTableWalkVariable[] = "VELMOR_TABLE_WALK";

struct TableWalk {
    std::string_view name;
    // True when this processor can run `walk`.
    bool (*runs)() noexcept;
    // The bytes of a table of `period` rows, in this walk's layout.
    std::size_t (*tableBytes)(std::size_t period) noexcept;
    // Fills row `row` of a table: its symbols substituted as `map` says,
    // codes outside the alphabet standing for themselves.
    void (*setRow)(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;
    // Ciphers `text` in place, `text[0]` being at row `firstRow`; `table` is
    // aligned to 64 bytes and `period` is a multiple of 64. May throw
    // std::bad_alloc.
    void (*walk)(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                 std::size_t size);
};

// Every walk this build has, fastest first; the last one is plain C++ and
// runs everywhere.
std::span<const TableWalk> tableWalks() noexcept;

// The walks of tableWalks() that this processor runs, fastest first.
std::vector<const TableWalk*> runnableTableWalks();

// The walk a value of kTableWalkVariable asks for, or why it cannot be had:
// `walk` is null and `refusal` says so when the name is unknown or the
// processor cannot run that walk. An empty value asks for the fastest walk.
struct TableWalkChoice {
    const TableWalk* walk = nullptr;
    std::string refusal;
};
TableWalkChoice chooseTableWalk(std::string_view forced);

// chooseTableWalk() of kTableWalkVariable, read on first use and kept for
// the life of the process.
const TableWalkChoice& tableWalkChoice();

// The walk of tableWalkChoice(). Throws std::runtime_error with its refusal
// when there is none: a forced walk is never silently replaced.
const TableWalk& chosenTableWalk();

// The fastest walk this processor runs, whatever the variable says.
const TableWalk& fastestTableWalk() noexcept;

}  // namespace velmor
