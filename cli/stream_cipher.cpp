// The ordered worker pool behind cipherStream. Each worker reads a block,
// ciphers it and writes it: reads happen one at a time in stream order, and
// so do writes, but one worker's ciphering overlaps another's reading and
// writing. A block stays on one core from read to write, which keeps it in
// that core's cache.
#include "stream_cipher.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
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
    OrderedPool(const ReadFull& read, const WriteAll& write, const ProgressReport& progress, const Cipher& cipher,
                std::uint64_t position, std::uint64_t written)
        : read_(read), write_(write), progress_(progress), cipher_(cipher), position_(position), written_(written)
    {}

    // Runs until the input ends or a stage fails; returns the position after
    // the last byte. Rethrows the first failure.
    std::uint64_t run(unsigned workers, std::size_t blockSize)
    {
        {
            std::vector<std::jthread> threads;
            for (unsigned i = 0; i < workers; ++i)
                threads.emplace_back([this, blockSize] { guarded([&] { work(blockSize); }); });
        }
        if (failure_) std::rethrow_exception(failure_);
        return position_;
    }

private:
    struct Claim {
        std::size_t size = 0;
        std::uint64_t position = 0;
        std::uint64_t turn = 0;
        bool valid = false;
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
        for (;;) {
            const Claim claim = readNext(buffer.whole());
            if (!claim.valid) return;
            const auto block = buffer.whole().first(claim.size);
            cipher_.apply(block, claim.position);
            writeInTurn(block, claim.turn);
        }
    }

    Claim readNext(std::span<char> buffer)
    {
        const std::lock_guard readLock(readMutex_);
        if (ended_ || stopped()) return {};
        Claim claim;
        claim.size = read_(buffer);
        ended_ = claim.size < buffer.size();
        if (claim.size == 0) return {};
        claim.position = position_;
        claim.turn = nextTurn_++;
        claim.valid = true;
        position_ += claim.size;
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

    const ReadFull& read_;
    const WriteAll& write_;
    const ProgressReport& progress_;
    const Cipher& cipher_;

    std::mutex readMutex_;  // held while reading: reads come in stream order
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
    return Cipher::forPassword(password, wheelCount, passes, direction, textLength);
}

std::uint64_t cipherStream(const ReadFull& read, const WriteAll& write, const CipherRecipe& recipe,
                           std::optional<std::uint64_t> sizeHint, const StreamLayout& layout,
                           const ProgressReport& progress)
{
    if (layout.blockSize == 0) throw std::invalid_argument("a stream needs blocks of at least one byte");
    // The first block is read before the cipher is built: a text that fits
    // in it has a known length, so a short text spares the table.
    const Buffer first(layout.blockSize);
    const std::size_t firstSize = read(first.whole());
    const bool short_ = firstSize < first.capacity;
    const Cipher cipher = recipe.build(short_ ? firstSize : sizeHint.value_or(Cipher::kUnknownLength));
    const auto block = first.whole().first(firstSize);
    cipher.apply(block, 0);
    if (firstSize > 0) write(block);
    if (progress) progress(firstSize);
    if (short_) return firstSize;
    OrderedPool pool(read, write, progress, cipher, firstSize, firstSize);
    return pool.run(std::max(1U, layout.threads), layout.blockSize);
}

}  // namespace velmor::cli
