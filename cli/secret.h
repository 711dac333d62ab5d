// SPDX-License-Identifier: MIT
// A buffer for password text that never moves its content and wipes it
// before the memory goes back, so that no freed block still holds it.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string.h>
#include <string_view>
#include <utility>

namespace velmor::cli {

template <class Char>
class Secret {
public:
    // Room for `capacity` characters, allocated once.
    explicit Secret(std::size_t capacity) : data_(std::make_unique<Char[]>(capacity + 1)), capacity_(capacity) {}
    ~Secret() { wipe(); }
    // The moved-from one holds nothing and has no room.
    Secret(Secret&& other) noexcept
        : data_(std::move(other.data_)), capacity_(std::exchange(other.capacity_, 0)),
          size_(std::exchange(other.size_, 0))
    {}
    Secret& operator=(Secret&&) = delete;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    std::size_t capacity() const noexcept { return capacity_; }
    std::size_t size() const noexcept { return size_; }
    // The whole room, one character more than the capacity, for a reader
    // that ends its text with a terminating zero.
    std::span<Char> room() noexcept { return {data_.get(), data_ ? capacity_ + 1 : 0}; }
    std::basic_string_view<Char> view() const noexcept { return {data_.get(), size_}; }

    void push_back(Char c)
    {
        if (size_ == capacity_) throw std::length_error("a secret outgrew its buffer");
        data_[size_++] = c;
    }
    void resize(std::size_t size)
    {
        if (size > capacity_) throw std::length_error("a secret outgrew its buffer");
        size_ = size;
    }

private:
    void wipe() noexcept
    {
        // explicit_bzero is never left out as a dead store, as a plain
        // memset before the free could be.
        if (data_) explicit_bzero(data_.get(), (capacity_ + 1) * sizeof(Char));
    }

    std::unique_ptr<Char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace velmor::cli
