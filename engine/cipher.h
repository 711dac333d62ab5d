// SPDX-License-Identifier: MIT
// The multi-pass cipher: N passes, each keyed afresh from the same password,
// as one substitution per text position. The substitution at position i
// depends only on i mod 96W, so a text longer than that period is ciphered
// with one table look-up per character, and a text can be cut anywhere: a
// chunk only needs the position of its first character. The engine starts no
// threads; a program that wants several cuts the text into ranges and runs
// them side by side.
#pragma once

#include "period_table.h"
#include "settings.h"
#include "wheel_pairs.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace velmor {

class Cipher {
public:
    static constexpr std::uint64_t kUnknownLength = UINT64_MAX;

    // `keyedWheels` are the working wheels after keying. Texts up to one
    // period long are ciphered position by position; for longer ones (or an
    // unknown length) a table of the whole period is built once.
    // The table is walked by `walk`; chosenTableWalk() is evaluated even
    // when no table is needed, so that a walk forced wrongly is refused
    // whatever the length of the text.
    // Throws std::invalid_argument for a wheel count or pass count the
    // cipher does not offer, std::runtime_error from chosenTableWalk().
    Cipher(const WheelSet& keyedWheels, int wheelCount, int passes, Direction direction,
           std::uint64_t textLength = kUnknownLength, const TableWalk& walk = chosenTableWalk());

    // Keys the built-in wheels with `password` first.
    static Cipher forPassword(std::u16string_view password, int wheelCount, int passes, Direction direction,
                              std::uint64_t textLength = kUnknownLength, const TableWalk& walk = chosenTableWalk());

    std::uint64_t period() const noexcept { return static_cast<std::uint64_t>(kWheelLength) * wheelCount_; }

    // Ciphers `text` in place; its first element is text position
    // `firstPosition` (0-based). Safe to call from several threads at once,
    // on ranges of one text or on different texts. Throws std::bad_alloc
    // when the table's walk cannot have its scratch space, with `text`
    // partly ciphered.
    void apply(std::span<char> text, std::uint64_t firstPosition) const;
    void apply(std::span<char16_t> text, std::uint64_t firstPosition) const;

private:
    Symbol cipherSymbol(std::uint64_t position, Symbol symbol) const noexcept;
    template <class CharT>
    void applyDirect(std::span<CharT> text, std::uint64_t firstPosition) const noexcept;
    void buildTable();

    WheelSet wheels_;
    int wheelCount_;
    int passes_;
    Direction direction_;
    // Row r ciphers the positions p with p mod period() = r. Empty when not
    // built.
    PeriodTable table_;
};

}  // namespace velmor
