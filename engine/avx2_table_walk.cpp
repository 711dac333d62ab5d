// SPDX-License-Identifier: MIT
// Positions one period apart share a table row, so 16 periods of 32 bytes are
// turned on their side within each 128-bit lane: register i then holds 16
// bytes of row i in its low lane and 16 bytes of row i + 16 in its high one.
// A byte shuffle looks up 16 entries per lane, so the table keeps, for each
// such pair of rows, its 8 sixteen-slot parts side by side, each part XORed
// with the one before: eight shuffles of one index, less 16 each time (a
// negative index gives 0), then add up by XOR to the slot wanted. The
// functions carry their own target so the rest of the build stays baseline
// x86-64.
#include "avx2_table_walk.h"

#include "alphabet.h"
#include "padded_walk.h"
#include "x86_walks.h"

#include <algorithm>
#include <array>

#ifdef VELMOR_X86_WALKS

namespace velmor {
namespace {

constexpr std::size_t kDeltaSlots = 128;

// A row is 128 one-byte slots, a code's cipher being the code XOR its slot.
// Codes 2..127 have the slot of their own number. The two alphabet codes
// above 127 borrow the slots of codes 0 and 1, controls that pass through;
// every code outside the alphabet reads slot 2, another control, which holds
// 0 in every row.
constexpr std::uint8_t kSlotOfPound = 0;    // code 163
constexpr std::uint8_t kSlotOfNotSign = 1;  // code 172
constexpr std::uint8_t kZeroSlot = 2;

constexpr std::array<std::uint8_t, 256> kSlotOfCode = [] {
    std::array<std::uint8_t, 256> slots{};
    for (int code = 0; code < 256; ++code) {
        const int symbol = symbolOf(static_cast<char32_t>(code));
        std::uint8_t slot = kZeroSlot;
        if (code == 163) slot = kSlotOfPound;
        else if (code == 172) slot = kSlotOfNotSign;
        else if (symbol != kNotInAlphabet) slot = static_cast<std::uint8_t>(code);
        slots[static_cast<std::size_t>(code)] = slot;
    }
    return slots;
}();

// The row of a position whose symbols `map` substitutes.
std::array<std::uint8_t, kDeltaSlots> deltaRow(const SymbolMap& map) noexcept
{
    std::array<std::uint8_t, kDeltaSlots> row{};
    for (int s = 0; s < kWheelLength; ++s) {
        const char16_t code = charOf(static_cast<Symbol>(s));
        row[kSlotOfCode[code]] = static_cast<std::uint8_t>(code ^ charOf(map[static_cast<std::size_t>(s)]));
    }
    return row;
}

constexpr std::size_t kPart = 16;
constexpr std::size_t kParts = kDeltaSlots / kPart;
constexpr std::size_t kGroupRows = 32;
constexpr std::size_t kPairBytes = 2 * kDeltaSlots;
constexpr std::size_t kGroupBytes = kGroupRows * kDeltaSlots;

// Rows come in groups of 32; in a group, rows i and i + 16 make pair i, and
// a pair holds part p of its two rows in 32 bytes, the lower row first.
constexpr std::size_t offsetOf(std::size_t row, std::size_t slot) noexcept
{
    const std::size_t inGroup = row % kGroupRows;
    return row / kGroupRows * kGroupBytes + inGroup % kPart * kPairBytes + slot / kPart * 2 * kPart +
           inGroup / kPart * kPart + slot % kPart;
}

// Undoes the XOR of the parts: the slow way for the odd byte.
std::uint8_t cipherByte(const std::uint8_t* table, std::size_t row, std::uint8_t code) noexcept
{
    const std::size_t slot = kSlotOfCode[code];
    std::uint8_t delta = 0;
    for (std::size_t s = slot % kPart; s <= slot; s += kPart) delta ^= table[offsetOf(row, s)];
    return static_cast<std::uint8_t>(code ^ delta);
}

void cipherBytes(const std::uint8_t* table, std::size_t period, std::size_t row, std::uint8_t* text,
                 std::size_t size) noexcept
{
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = cipherByte(table, row, text[i]);
        if (++row == period) row = 0;
    }
}

#define VELMOR_AVX2 __attribute__((target("avx2")))

constexpr std::size_t kTilePeriods = 16;
// Blocks of 64 periods read each group of 32 rows (4 KiB) from L2 once for
// 64 periods, and keep the text they work on (64 periods of 64 bytes) in L1.
constexpr std::size_t kBlockPeriods = 64;
// A rest of at least this many periods goes through a scratch tile of 16;
// a shorter one is quicker byte by byte.
constexpr std::size_t kScratchMinPeriods = 2;

// Within each lane, r[j] byte k := r[k] byte j. Each round interleaves
// registers i and i + 8, which rotates the 8 bits of (register, byte) left by
// one; four rounds swap the two.
VELMOR_AVX2 inline void transposeLanes(__m256i (&r)[16]) noexcept
{
    for (int round = 0; round < 4; ++round) {
        __m256i t[16];
        for (int i = 0; i < 8; ++i) {
            t[2 * i] = _mm256_unpacklo_epi8(r[i], r[i + 8]);
            t[2 * i + 1] = _mm256_unpackhi_epi8(r[i], r[i + 8]);
        }
        for (int i = 0; i < 16; ++i) r[i] = t[i];
    }
}

// Each byte of v ciphered through one pair of rows (a row per lane).
VELMOR_AVX2 inline __m256i lookUp(const std::uint8_t* pair, __m256i v) noexcept
{
    const auto* const parts = reinterpret_cast<const __m256i*>(pair);
    const __m256i first = _mm256_load_si256(parts);
    const __m256i sixteen = _mm256_set1_epi8(16);
    __m256i index = v;
    __m256i delta = _mm256_shuffle_epi8(first, index);
    for (std::size_t p = 1; p < kParts; ++p) {
        index = _mm256_sub_epi8(index, sixteen);
        delta = _mm256_xor_si256(delta, _mm256_shuffle_epi8(_mm256_load_si256(parts + p), index));
    }
    // Codes 128..255 are negative bytes: only 2..127 read their own slot.
    delta = _mm256_and_si256(delta, _mm256_cmpgt_epi8(v, _mm256_set1_epi8(1)));
    const __m256i pound = _mm256_shuffle_epi8(first, _mm256_set1_epi8(static_cast<char>(kSlotOfPound)));
    const __m256i notSign = _mm256_shuffle_epi8(first, _mm256_set1_epi8(static_cast<char>(kSlotOfNotSign)));
    delta = _mm256_xor_si256(delta, _mm256_and_si256(pound, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(163)))));
    delta = _mm256_xor_si256(delta, _mm256_and_si256(notSign, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(172)))));
    return _mm256_xor_si256(v, delta);
}

// `periods` (a multiple of 16) periods from `text`, whose first byte is at
// row `firstRow`, a multiple of 32. With `prefetchNext`, as many bytes after
// them are fetched ahead, in even shares per column.
VELMOR_AVX2 void walkPeriods(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                             std::size_t periods, bool prefetchNext) noexcept
{
    const std::size_t groups = period / kGroupRows;
    const std::size_t share = periods * kGroupRows;
    std::size_t group = firstRow / kGroupRows;
    for (std::size_t column = 0; column < period; column += kGroupRows) {
        if (prefetchNext) {
            // The lines of a block lie a period apart, a pattern the hardware
            // does not fetch ahead.
            const std::uint8_t* const ahead = text + periods * period + column / kGroupRows * share;
            for (std::size_t line = 0; line < share; line += 64)
                _mm_prefetch(reinterpret_cast<const char*>(ahead + line), _MM_HINT_T0);
        }
        const std::uint8_t* const pairs = table + group * kGroupBytes;
        for (std::size_t tile = 0; tile < periods; tile += kTilePeriods) {
            std::uint8_t* const base = text + tile * period + column;
            __m256i r[16];
            for (std::size_t k = 0; k < kTilePeriods; ++k)
                r[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + k * period));
            transposeLanes(r);
            for (std::size_t i = 0; i < kTilePeriods; ++i) r[i] = lookUp(pairs + i * kPairBytes, r[i]);
            transposeLanes(r);
            for (std::size_t k = 0; k < kTilePeriods; ++k)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(base + k * period), r[k]);
        }
        if (++group == groups) group = 0;
    }
}

}  // namespace

std::size_t avx2_tableBytes(std::size_t period) noexcept { return period * kDeltaSlots; }

void avx2_setRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept
{
    const auto deltas = deltaRow(map);
    for (std::size_t slot = 0; slot < kDeltaSlots; ++slot)
        table[offsetOf(row, slot)] = static_cast<std::uint8_t>(deltas[slot] ^ (slot >= kPart ? deltas[slot - kPart] : 0));
}

bool avx2_runs() noexcept { return __builtin_cpu_supports("avx2"); }

void avx2_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
               std::size_t size)
{
    // Tiles start on a group of rows: the bytes before the first such row go
    // one by one.
    const std::size_t lead = std::min(size, (kGroupRows - firstRow % kGroupRows) % kGroupRows);
    cipherBytes(table, period, firstRow, text, lead);
    std::size_t row = (firstRow + lead) % period;
    text += lead;
    size -= lead;

    const std::size_t blockBytes = kBlockPeriods * period;
    for (; size >= blockBytes; text += blockBytes, size -= blockBytes)
        walkPeriods(table, period, row, text, kBlockPeriods, size >= 2 * blockBytes);
    const std::size_t tiles = size / (kTilePeriods * period) * kTilePeriods;
    if (tiles > 0) walkPeriods(table, period, row, text, tiles, false);
    text += tiles * period;
    size -= tiles * period;

    const auto walkTile = [&](std::uint8_t* tile) { walkPeriods(table, period, row, tile, kTilePeriods, false); };
    if (size < kScratchMinPeriods * period)
        cipherBytes(table, period, row, text, size);
    else
        walkPadded(text, size, kTilePeriods * period, walkTile);
}

}  // namespace velmor

#endif
