// SPDX-License-Identifier: MIT
// The table of walks and the choice among them.
#include "table_walk.h"

#include "avx2_table_walk.h"
#include "avx512vbmi_table_walk.h"
#include "portable_table_walk.h"
#include "x86_walks.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace velmor {
namespace {

constexpr bool portable_runs() noexcept { return true; }

constexpr std::array kTableWalks{
#ifdef VELMOR_X86_WALKS
    // The AVX-512 walk reads the portable walk's table.
    TableWalk{"avx512vbmi", &avx512vbmi_runs, &portable_tableBytes, &portable_setRow, &avx512vbmi_walk},
    TableWalk{"avx2", &avx2_runs, &avx2_tableBytes, &avx2_setRow, &avx2_walk},
#endif
    TableWalk{"portable", &portable_runs, &portable_tableBytes, &portable_setRow, &portable_walk},
};

std::string knownNames()
{
    std::string names;
    for (const TableWalk& walk : kTableWalks) names += (names.empty() ? "" : ", ") + std::string(walk.name);
    return names;
}

}  // namespace

std::span<const TableWalk> tableWalks() noexcept { return kTableWalks; }

std::vector<const TableWalk*> runnableTableWalks()
{
    std::vector<const TableWalk*> walks;
    for (const TableWalk& walk : kTableWalks)
        if (walk.runs()) walks.push_back(&walk);
    return walks;
}

const TableWalk& fastestTableWalk() noexcept
{
    // Chosen once: the processor does not change while the program runs.
    static const TableWalk& fastest = *runnableTableWalks().front();
    return fastest;
}

TableWalkChoice chooseTableWalk(std::string_view forced)
{
    if (forced.empty()) return {&fastestTableWalk(), {}};
    const std::string told = std::string(kTableWalkVariable) + "=" + std::string(forced);
    for (const TableWalk& walk : kTableWalks) {
        if (walk.name != forced) continue;
        if (!walk.runs()) return {nullptr, told + ": this processor cannot run that cipher walk"};
        return {&walk, {}};
    }
    return {nullptr, told + ": no such cipher walk (known: " + knownNames() + ")"};
}

const TableWalkChoice& tableWalkChoice()
{
    static const TableWalkChoice choice = [] {
        const char* const forced = std::getenv(kTableWalkVariable);
        return chooseTableWalk(forced == nullptr ? "" : forced);
    }();
    return choice;
}

const TableWalk& chosenTableWalk()
{
    const TableWalkChoice& choice = tableWalkChoice();
    if (choice.walk == nullptr) throw std::runtime_error(choice.refusal);
    return *choice.walk;
}

}  // namespace velmor
