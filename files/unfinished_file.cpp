// SPDX-License-Identifier: MIT
// A handler can reach only static storage, so the folder and name are kept
// here, written before they are armed; removal calls only unlinkat(2).
#include "unfinished_file.h"

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

namespace velmor::files {
namespace {

std::atomic<int> folderFd{-1};
std::atomic<const char*> fileName{nullptr};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<const char*>::is_always_lock_free);

}  // namespace

void removeUnfinishedFile() noexcept
{
    if (const char* name = fileName.exchange(nullptr)) unlinkat(folderFd.load(), name, 0);
}

void armUnfinishedFile(int folder, const char* name) noexcept
{
    folderFd.store(folder);
    fileName.store(name);
}

void disarmUnfinishedFile() noexcept
{
    fileName.store(nullptr);
}

}  // namespace velmor::files
