// SPDX-License-Identifier: MIT
// Picks the walk, lays out its table and passes 16-bit text through it in
// 8-bit chunks.
#include "period_table.h"

#include "avx2_table_walk.h"
#include "portable_table_walk.h"
#include "wide_table_walk.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace velmor {
namespace {

constexpr std::size_t kAlignment = 64;

using Walk = PeriodTable::Walk;

struct WalkInfo {
    Walk walk;
    std::string_view name;
    bool (*available)() noexcept;
};

constexpr bool alwaysAvailable() noexcept { return true; }

// Fastest first.
constexpr std::array<WalkInfo, 3> kWalks{{
    {Walk::Avx512Vbmi, "avx512vbmi", &wideTableWalkAvailable},
    {Walk::Avx2, "avx2", &avx2TableWalkAvailable},
    {Walk::Portable, "portable", &alwaysAvailable},
}};

std::string knownNames()
{
    std::string names;
    for (const WalkInfo& info : kWalks) names += (names.empty() ? "" : ", ") + std::string(info.name);
    return names;
}

// 16-bit text goes through the walks in chunks of this many periods: whole
// blocks for the vector walks.
constexpr std::size_t kWideChunkPeriods = 64;
// The chunk when no larger buffer can be had.
constexpr std::size_t kFallbackChunk = 4096;

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

std::vector<std::string> runnableTableWalks()
{
    std::vector<std::string> names;
    for (const WalkInfo& info : kWalks)
        if (info.available()) names.emplace_back(info.name);
    return names;
}

PeriodTable::Walk PeriodTable::chosenWalk()
{
    const char* const forced = std::getenv(kTableWalkVariable);
    if (forced == nullptr || *forced == '\0') {
        for (const WalkInfo& info : kWalks)
            if (info.available()) return info.walk;
    }
    const std::string_view name = forced == nullptr ? "" : forced;
    for (const WalkInfo& info : kWalks) {
        if (info.name != name) continue;
        if (!info.available())
            throw std::runtime_error(std::string(kTableWalkVariable) + "=" + std::string(name) +
                                     ": this processor cannot run that cipher walk");
        return info.walk;
    }
    throw std::runtime_error(std::string(kTableWalkVariable) + "=" + std::string(name) +
                             ": no such cipher walk (known: " + knownNames() + ")");
}

PeriodTable::PeriodTable(Walk walk, std::size_t period) : walk_(walk), period_(period)
{
    std::size_t size = 0;
    switch (walk_) {
    case Walk::Avx512Vbmi:
    case Walk::Portable: size = byteRowTableBytes(period_); break;
    case Walk::Avx2: size = avx2TableBytes(period_); break;
    }
    bytes_.assign(size + kAlignment - 1, 0);
}

std::uint8_t* PeriodTable::aligned() noexcept
{
    return const_cast<std::uint8_t*>(std::as_const(*this).aligned());
}

const std::uint8_t* PeriodTable::aligned() const noexcept
{
    const auto address = reinterpret_cast<std::uintptr_t>(bytes_.data());
    return bytes_.data() + (kAlignment - address % kAlignment) % kAlignment;
}

void PeriodTable::setRow(std::size_t row, const SymbolMap& map) noexcept
{
    switch (walk_) {
    case Walk::Avx512Vbmi:
    case Walk::Portable: setByteRow(aligned(), row, map); break;
    case Walk::Avx2: setAvx2Row(aligned(), row, map); break;
    }
}

void PeriodTable::apply(std::span<std::uint8_t> text, std::size_t firstRow) const noexcept
{
    switch (walk_) {
    case Walk::Avx512Vbmi: walkWideTable(aligned(), period_, firstRow, text.data(), text.size()); break;
    case Walk::Avx2: walkAvx2Table(aligned(), period_, firstRow, text.data(), text.size()); break;
    case Walk::Portable: walkByteRows(aligned(), period_, firstRow, text.data(), text.size()); break;
    }
}

// Each chunk is narrowed to bytes, a code unit above 255 becoming 0 (which
// stands for itself), walked, and merged back where the unit was below 256.
void PeriodTable::apply(std::span<char16_t> text, std::size_t firstRow) const noexcept
{
    std::size_t chunk = std::min(text.size(), kWideChunkPeriods * period_);
    std::unique_ptr<std::uint8_t[]> heap(new (std::nothrow) std::uint8_t[chunk]);
    std::array<std::uint8_t, kFallbackChunk> stack;
    std::uint8_t* bytes = heap.get();
    if (bytes == nullptr) {
        bytes = stack.data();
        chunk = std::min(chunk, stack.size());
    }
    std::size_t row = firstRow;
    for (std::size_t start = 0; start < text.size(); start += chunk) {
        const std::size_t size = std::min(chunk, text.size() - start);
        char16_t* const units = text.data() + start;
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = units[i] < 256 ? static_cast<std::uint8_t>(units[i]) : std::uint8_t{0};
        apply(std::span<std::uint8_t>(bytes, size), row);
        merge(units, bytes, size);
        row = (row + size) % period_;
    }
}

}  // namespace velmor
