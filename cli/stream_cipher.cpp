// SPDX-License-Identifier: MIT
// The ordered worker pool behind cipherStream. Each worker claims the next
// block, reads it, ciphers it and writes it. Writes take turns in stream
// order, and so do reads of a stream; reads of a file at offsets and all
// ciphering run side by side. A block stays on one core from read to write,
// which keeps it in that core's cache.
#include "stream_cipher.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace velmor::cli {
namespace {

struct Buffer {
    explicit Buffer(std::size_t capacity)
        : bytes(std::make_unique_for_overwrite<char[]>(capacity)), capacity(capacity)
    {}
    std::span<char> whole() const noexcept { return {bytes.get(), capacity}; }

    std::unique_ptr<char[]> bytes;
    std::size_t capacity;
};

class OrderedPool {
public:
    OrderedPool(const StreamInput& input, const WriteAll& write, const ProgressReport& progress,
                const Cipher& cipher, std::uint64_t position)
        : input_(input), write_(write), progress_(progress), cipher_(cipher), position_(position), written_(position)
    {}

    // Runs until the input ends or a stage fails; returns the position after
    // the last byte. Rethrows the first failure.
    std::uint64_t run(unsigned workers, std::size_t blockSize)
    {
        {
            std::vector<std::jthread> helpers;
            helpers.reserve(workers);
            // The calling thread is a worker too, and the helpers only speed
            // it up: when the system can start no more threads (as under a
            // low ulimit -v), fewer do the same work.
            try {
                for (unsigned i = 1; i < workers; ++i)
                    helpers.emplace_back([this, blockSize] { guarded([&] { work(blockSize); }); });
            } catch (const std::system_error&) {
            }
            guarded([&] { work(blockSize); });
        }
        if (failure_) std::rethrow_exception(failure_);
        return position_;
    }

private:
    struct Claim {
        std::span<char> block;
        std::uint64_t position = 0;
        std::uint64_t turn = 0;
    };

    template <class Work>
    void guarded(Work&& work) noexcept
    {
        try {
            work();
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            stopped_ = true;
            writeTurnChanged_.notify_all();
        }
    }

    void work(std::size_t blockSize)
    {
        const Buffer buffer(blockSize);
        while (const auto claim = claimNext(buffer.whole())) {
            if (const auto* file = std::get_if<PositionalInput>(&input_)) file->readAt(claim->block, claim->position);
            cipher_.apply(claim->block, claim->position);
            writeInTurn(claim->block, claim->turn);
        }
    }

    // The next block of the input: already read from a stream, only measured
    // out in a file.
    std::optional<Claim> claimNext(std::span<char> buffer)
    {
        const std::lock_guard claimLock(claimMutex_);
        if (ended_ || stopped()) return std::nullopt;
        std::size_t size = 0;
        if (const auto* file = std::get_if<PositionalInput>(&input_)) {
            size = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), file->length - position_));
            ended_ = position_ + size == file->length;
        } else {
            size = std::get<ReadFull>(input_)(buffer);
            ended_ = size < buffer.size();
        }
        if (size == 0) return std::nullopt;
        const Claim claim{buffer.first(size), position_, nextTurn_++};
        position_ += size;
        return claim;
    }

    void writeInTurn(std::span<const char> block, std::uint64_t turn)
    {
        std::unique_lock lock(mutex_);
        writeTurnChanged_.wait(lock, [&] { return stopped_ || writeTurn_ == turn; });
        if (stopped_) return;
        lock.unlock();
        // Only the holder of the turn gets here, so the write needs no lock.
        write_(block);
        written_ += block.size();
        if (progress_) progress_(written_);
        lock.lock();
        ++writeTurn_;
        writeTurnChanged_.notify_all();
    }

    bool stopped()
    {
        const std::lock_guard lock(mutex_);
        return stopped_;
    }

    const StreamInput& input_;
    const WriteAll& write_;
    const ProgressReport& progress_;
    const Cipher& cipher_;

    std::mutex claimMutex_;  // blocks are claimed, and streams read, in order
    std::uint64_t position_;
    std::uint64_t nextTurn_ = 0;
    bool ended_ = false;

    std::mutex mutex_;
    std::condition_variable writeTurnChanged_;
    std::uint64_t writeTurn_ = 0;
    std::uint64_t written_;
    bool stopped_ = false;
    std::exception_ptr failure_;
};

}  // namespace

Cipher CipherRecipe::build(std::uint64_t textLength) const
{
    return Cipher(keyedWheels, wheelCount, passes, direction, textLength);
}

std::uint64_t cipherStream(const StreamInput& input, const WriteAll& write, const CipherRecipe& recipe,
                           const StreamLayout& layout, const ProgressReport& progress)
{
    if (layout.blockSize == 0) throw std::invalid_argument("a stream needs blocks of at least one byte");
    const unsigned workers = std::max(1U, layout.threads);
    if (const auto* file = std::get_if<PositionalInput>(&input)) {
        const Cipher cipher = recipe.build(file->length);
        const std::uint64_t blocks = (file->length + layout.blockSize - 1) / layout.blockSize;
        const auto needed = static_cast<unsigned>(std::clamp<std::uint64_t>(blocks, 1, workers));
        return OrderedPool(input, write, progress, cipher, 0).run(needed, layout.blockSize);
    }
    // The first block of a stream is read before the cipher is built: a text
    // that fits in it has a known length, which spares a short text the
    // table. The pool then goes on after it.
    const Buffer first(layout.blockSize);
    const std::size_t firstSize = std::get<ReadFull>(input)(first.whole());
    const bool whole = firstSize < first.capacity;
    const Cipher cipher = recipe.build(whole ? firstSize : Cipher::kUnknownLength);
    const auto block = first.whole().first(firstSize);
    cipher.apply(block, 0);
    if (firstSize > 0) write(block);
    if (progress) progress(firstSize);
    if (whole) return firstSize;
    return OrderedPool(input, write, progress, cipher, firstSize).run(workers, layout.blockSize);
}

}  // namespace velmor::cli
