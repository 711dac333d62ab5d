// SPDX-License-Identifier: MIT
// std::jthread for the WebAssembly build, whose libc++ has std::thread but no
// jthread yet. The worker runs the engine on one thread and never takes its
// parallel path; this only lets that path compile. Forced in with -include.
#pragma once

#include <thread>
#include <type_traits>
#include <utility>
#include <version>

#if !defined(__cpp_lib_jthread)
namespace std {

class jthread {
public:
    template <class F>
        requires(!is_same_v<remove_cvref_t<F>, jthread>)
    explicit jthread(F&& body) : thread_(std::forward<F>(body))
    {
    }
    jthread(jthread&&) noexcept = default;
    jthread& operator=(jthread&&) = delete;
    jthread(const jthread&) = delete;
    jthread& operator=(const jthread&) = delete;
    ~jthread()
    {
        if (thread_.joinable()) thread_.join();
    }

private:
    thread thread_;
};

}  // namespace std
#endif
