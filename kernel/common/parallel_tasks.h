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

// Items one task of run_parallel_ranges takes: many small independent searches (loops, face
// components, segments) cost a few microseconds each, so a run outweighs handing it out, and a
// few hundred thousand items still spread over 16 workers.
inline constexpr std::size_t kParallelRunItems = 1024;

// Runs body(first, end) over [0, count) cut into runs of kParallelRunItems, on up to `workers`
// threads; with one worker, or one run, a single call over everything on this thread. The body
// must write only the results of its own items.
void run_parallel_ranges(std::size_t count, std::uint32_t workers,
                         const std::function<void(std::size_t, std::size_t)>& body);

}  // namespace pavrix_svg_core
