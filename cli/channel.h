// A queue that hands items from one thread to another and can be closed to
// stop both sides at once.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace velmor::cli {

template <class T>
class Channel {
public:
    // Dropped once the channel is closed.
    void push(T item)
    {
        {
            const std::lock_guard lock(mutex_);
            if (closed_) return;
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
    }

    // Waits for an item; nothing once the channel is closed, even if items
    // are left, since closing means the work is abandoned.
    std::optional<T> pop()
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (closed_) return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        return item;
    }

    void close()
    {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<T> items_;
    bool closed_ = false;
};

}  // namespace velmor::cli
