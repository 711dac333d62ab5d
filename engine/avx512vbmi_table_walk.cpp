// SPDX-License-Identifier: MIT
// Positions one period apart share a table row, so a block of 64 periods is
// turned on its side in 64 x 64 byte tiles: each tile column then holds 64
// bytes of one row, ciphered by two 128-entry byte permutes, and the tile is
// turned back. The functions carry their own target so the rest of the
// build stays baseline x86-64.
#include "avx512vbmi_table_walk.h"

#include "padded_walk.h"
#include "portable_table_walk.h"
#include "x86_walks.h"

#ifdef VELMOR_X86_WALKS

namespace velmor {
namespace {

#define VELMOR_AVX512VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

constexpr std::size_t kTile = 64;

// A block is 64 periods: one period per byte of a 64-byte register.
constexpr std::size_t blockBytesOf(std::size_t period) noexcept { return kTile * period; }
// A shorter end goes through a scratch block only when it is at least this
// many periods long; below that, portable_walk() is quicker than
// ciphering a whole block.
constexpr std::size_t kScratchMinPeriods = 16;

// Swaps the off-diagonal d x d blocks of every 2d x 2d block of the 8 x 8
// matrix of 64-bit words in r (a register per row); d = 1, 2, 4 together
// transpose it.
template <int d>
VELMOR_AVX512VBMI inline void swapQwordBlocks(__m512i (&r)[8]) noexcept
{
    alignas(64) std::int64_t lowIndex[8];
    alignas(64) std::int64_t highIndex[8];
    for (int j = 0; j < 8; ++j) {
        lowIndex[j] = (j & d) != 0 ? 8 + (j ^ d) : j;
        highIndex[j] = (j & d) != 0 ? 8 + j : (j ^ d);
    }
    const __m512i low = _mm512_load_si512(lowIndex);
    const __m512i high = _mm512_load_si512(highIndex);
    for (int i = 0; i < 8; ++i) {
        if ((i & d) != 0) continue;
        const __m512i a = r[i];
        const __m512i b = r[i + d];
        r[i] = _mm512_permutex2var_epi64(a, low, b);
        r[i + d] = _mm512_permutex2var_epi64(a, high, b);
    }
}

VELMOR_AVX512VBMI inline void transposeQwords(__m512i (&r)[8]) noexcept
{
    swapQwordBlocks<1>(r);
    swapQwordBlocks<2>(r);
    swapQwordBlocks<4>(r);
}

// Transposes the 8 x 8 bytes held in each 64-bit word of a register.
VELMOR_AVX512VBMI inline __m512i transposeBytesInQwords(__m512i v) noexcept
{
    alignas(64) std::uint8_t index[64];
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) index[8 * a + b] = static_cast<std::uint8_t>(8 * b + a);
    // The zero-masked form, with every lane kept, leaves GCC nothing to see as
    // uninitialised.
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, _mm512_load_si512(index), v);
}

// dst row j, byte k := src row k, byte j, for a 64 x 64 byte tile.
VELMOR_AVX512VBMI inline void transposeTile(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst,
                                      std::size_t dstStride) noexcept
{
    // half[i][g]: word c holds column 8i + c of rows 8g .. 8g + 7.
    __m512i half[8][8];
    for (int g = 0; g < 8; ++g) {
        __m512i r[8];
        for (int i = 0; i < 8; ++i) {
            const std::uint8_t* const line = src + static_cast<std::size_t>(8 * g + i) * srcStride;
            r[i] = _mm512_loadu_si512(line);
        }
        transposeQwords(r);
        for (int i = 0; i < 8; ++i) half[i][g] = transposeBytesInQwords(r[i]);
    }
    for (int i = 0; i < 8; ++i) {
        __m512i s[8];
        for (int g = 0; g < 8; ++g) s[g] = half[i][g];
        transposeQwords(s);
        for (int c = 0; c < 8; ++c) _mm512_storeu_si512(dst + static_cast<std::size_t>(8 * i + c) * dstStride, s[c]);
    }
}

// Each byte of v looked up in one 256-entry table row.
VELMOR_AVX512VBMI inline __m512i lookUp(const std::uint8_t* row, __m512i v) noexcept
{
    const __m512i low = _mm512_permutex2var_epi8(_mm512_loadu_si512(row), v, _mm512_loadu_si512(row + 64));
    const __m512i high = _mm512_permutex2var_epi8(_mm512_loadu_si512(row + 128), v, _mm512_loadu_si512(row + 192));
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

// One block: 64 periods from `block`, whose first byte is at row `firstRow`.
VELMOR_AVX512VBMI void walkBlock(const std::uint8_t* table, std::size_t period, std::size_t firstRow,
                           std::uint8_t* block, bool prefetchNext) noexcept
{
    alignas(64) std::uint8_t columns[kTile * kTile];
    std::size_t row = firstRow;
    for (std::size_t tile = 0; tile < period; tile += kTile) {
        if (prefetchNext) {
            // The rows of a block lie a period apart, a pattern the hardware
            // does not fetch ahead; 4 KiB of the next block a tile covers it
            // exactly once.
            const std::uint8_t* const ahead = block + blockBytesOf(period) + tile * kTile;
            for (std::size_t line = 0; line < kTile * kTile; line += kTile)
                _mm_prefetch(reinterpret_cast<const char*>(ahead + line), _MM_HINT_T0);
        }
        transposeTile(block + tile, period, columns, kTile);
        for (std::size_t j = 0; j < kTile; ++j) {
            std::uint8_t* const column = columns + j * kTile;
            _mm512_store_si512(column, lookUp(table + row * kPortableRowBytes, _mm512_load_si512(column)));
            if (++row == period) row = 0;
        }
        transposeTile(columns, kTile, block + tile, period);
    }
}

}  // namespace

bool avx512vbmi_runs() noexcept
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

void avx512vbmi_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                     std::size_t size)
{
    const std::size_t blockBytes = blockBytesOf(period);
    std::size_t done = 0;
    // Every block starts at the same row: a block is a whole number of periods.
    for (; size - done >= blockBytes; done += blockBytes)
        walkBlock(table, period, firstRow, text + done, size - done >= 2 * blockBytes);

    const std::size_t rest = size - done;
    const auto walkOne = [&](std::uint8_t* block) { walkBlock(table, period, firstRow, block, false); };
    if (rest < kScratchMinPeriods * period)
        portable_walk(table, period, firstRow, text + done, rest);
    else
        walkPadded(text + done, rest, blockBytes, walkOne);
}

}  // namespace velmor

#endif
