#pragma once

// Independent numbered tasks run on a few threads, the calling thread among them, with results
// that cannot depend on how many threads ran them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace pavrix_svg_core {

// Joins every started thread on every way out, so no exception can leave one joinable.
class ThreadJoinGuard {
public:
    explicit ThreadJoinGuard(std::vector<std::thread>& threads) noexcept : threads_(threads) {}
    ThreadJoinGuard(const ThreadJoinGuard&) = delete;
    ThreadJoinGuard& operator=(const ThreadJoinGuard&) = delete;
    ~ThreadJoinGuard() { join_all(); }
    void join_all() noexcept {
        for (std::thread& thread : threads_) {
            if (thread.joinable())
                thread.join();
        }
    }

private:
    std::vector<std::thread>& threads_;
};

// Runs task(i) once for every i below `count` on up to `workers` threads counting the caller
// (fewer when threads cannot start). Tasks must write only their own results. Every task runs
// even when another fails; then the exception of the lowest failing index is rethrown, so the
// outcome is the same for every thread count. Returns the number of threads that worked.
std::uint32_t run_parallel_tasks(std::size_t count, std::uint32_t workers,
                                 const std::function<void(std::size_t)>& task);

}  // namespace pavrix_svg_core
