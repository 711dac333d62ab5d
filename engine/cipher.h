// SPDX-License-Identifier: MIT
// The multi-pass cipher: N passes, each keyed afresh from the same password,
// as one substitution per text position. The substitution at position i
// depends only on i mod 96W, so a text longer than that period is ciphered
// with one table look-up per character, and a text can be cut anywhere: a
// chunk only needs the position of its first character.
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
    // Throws std::invalid_argument for a wheel count or pass count the
    // cipher does not offer, std::runtime_error when the walk through the
    // table is forced to one that is unknown or that the processor cannot
    // run.
    Cipher(const WheelSet& keyedWheels, int wheelCount, int passes, Direction direction,
           std::uint64_t textLength = kUnknownLength);

    // Keys the built-in wheels with `password` first.
    static Cipher forPassword(std::u16string_view password, int wheelCount, int passes, Direction direction,
                              std::uint64_t textLength = kUnknownLength);

    std::uint64_t period() const noexcept { return static_cast<std::uint64_t>(kWheelLength) * wheelCount_; }

    // Ciphers `text` in place; its first element is text position
    // `firstPosition` (0-based). Safe to call from several threads at once.
    void apply(std::span<char> text, std::uint64_t firstPosition) const noexcept;
    void apply(std::span<char16_t> text, std::uint64_t firstPosition) const noexcept;

    // The same, cut into `threads` chunks that run side by side.
    void applyParallel(std::span<char> text, std::uint64_t firstPosition, unsigned threads) const;
    void applyParallel(std::span<char16_t> text, std::uint64_t firstPosition, unsigned threads) const;

private:
    Symbol cipherSymbol(std::uint64_t position, Symbol symbol) const noexcept;
    template <class CharT>
    void applyDirect(std::span<CharT> text, std::uint64_t firstPosition) const noexcept;
    template <class CharT>
    void applyInChunks(std::span<CharT> text, std::uint64_t firstPosition, unsigned threads) const;
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
