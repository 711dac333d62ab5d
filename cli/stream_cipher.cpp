// The three-stage pipeline behind cipherStream.
#include "stream_cipher.h"

#include "channel.h"

#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace velmor::cli {
namespace {

// Below this, starting threads costs more than ciphering on one core.
constexpr std::size_t kParallelFrom = std::size_t{256} << 10;

struct Block {
    explicit Block(std::size_t capacity) : bytes(std::make_unique_for_overwrite<char[]>(capacity)), capacity(capacity)
    {}
    std::span<char> filled() const noexcept { return {bytes.get(), size}; }

    std::unique_ptr<char[]> bytes;
    std::size_t capacity;
    std::size_t size = 0;
    bool last = false;  // the stream ends with this block
};

using BlockPtr = std::unique_ptr<Block>;

class Pipeline {
public:
    explicit Pipeline(const StreamLayout& layout)
    {
        for (std::size_t i = 0; i < layout.blockCount; ++i) free.push(std::make_unique<Block>(layout.blockSize));
    }

    // Runs one stage; its failure stops the others.
    template <class Stage>
    void run(Stage&& stage) noexcept
    {
        try {
            stage();
        } catch (...) {
            fail(std::current_exception());
        }
    }

    void rethrowFailure()
    {
        const std::lock_guard lock(mutex_);
        if (failure_) std::rethrow_exception(failure_);
    }

    Channel<BlockPtr> free;
    Channel<BlockPtr> read;
    Channel<BlockPtr> ciphered;

private:
    void fail(std::exception_ptr failure) noexcept
    {
        {
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::move(failure);
        }
        free.close();
        read.close();
        ciphered.close();
    }

    std::mutex mutex_;
    std::exception_ptr failure_;
};

void readStage(Pipeline& pipeline, const ReadFull& readFull)
{
    while (auto block = pipeline.free.pop()) {
        Block& b = **block;
        b.size = readFull({b.bytes.get(), b.capacity});
        b.last = b.size < b.capacity;
        const bool last = b.last;
        pipeline.read.push(std::move(*block));
        if (last) return;
    }
}

std::uint64_t cipherStage(Pipeline& pipeline, const CipherRecipe& recipe, std::optional<std::uint64_t> sizeHint,
                          unsigned threads)
{
    std::optional<Cipher> cipher;
    std::uint64_t position = 0;
    while (auto block = pipeline.read.pop()) {
        Block& b = **block;
        if (!cipher) cipher.emplace(recipe.build(b.last ? b.size : sizeHint.value_or(Cipher::kUnknownLength)));
        if (b.size >= kParallelFrom) cipher->applyParallel(b.filled(), position, threads);
        else cipher->apply(b.filled(), position);
        position += b.size;
        const bool last = b.last;
        pipeline.ciphered.push(std::move(*block));
        if (last) break;
    }
    return position;
}

void writeStage(Pipeline& pipeline, const WriteAll& writeAll, const ProgressReport& progress)
{
    std::uint64_t written = 0;
    while (auto block = pipeline.ciphered.pop()) {
        Block& b = **block;
        if (b.size > 0) writeAll(b.filled());
        written += b.size;
        if (progress) progress(written);
        const bool last = b.last;
        pipeline.free.push(std::move(*block));
        if (last) return;
    }
}

}  // namespace

Cipher CipherRecipe::build(std::uint64_t textLength) const
{
    return Cipher::forPassword(password, wheelCount, passes, direction, textLength);
}

std::uint64_t cipherStream(const ReadFull& read, const WriteAll& write, const CipherRecipe& recipe,
                           std::optional<std::uint64_t> sizeHint, const StreamLayout& layout,
                           const ProgressReport& progress)
{
    if (layout.blockSize == 0 || layout.blockCount == 0)
        throw std::invalid_argument("a stream needs at least one block of at least one byte");
    Pipeline pipeline(layout);
    std::uint64_t ciphered = 0;
    {
        const std::jthread reader([&] { pipeline.run([&] { readStage(pipeline, read); }); });
        const std::jthread writer([&] { pipeline.run([&] { writeStage(pipeline, write, progress); }); });
        pipeline.run([&] { ciphered = cipherStage(pipeline, recipe, sizeHint, layout.threads); });
    }
    pipeline.rethrowFailure();
    return ciphered;
}

}  // namespace velmor::cli
