#include "kernel/common/parallel_tasks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <system_error>

namespace pavrix_svg_core {

std::uint32_t run_parallel_tasks(std::size_t count, std::uint32_t workers,
                                 const std::function<void(std::size_t)>& task) {
    if (count == 0)
        return 0;
    std::vector<std::exception_ptr> failures(count);
    std::atomic<std::size_t> next{0};
    const auto work = [&]() noexcept {
        for (std::size_t i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed)) {
            try {
                task(i);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> threads;
    {
        ThreadJoinGuard guard(threads);
        const std::size_t wanted = std::min<std::size_t>(std::max<std::uint32_t>(workers, 1), count);
        for (std::size_t t = 1; t < wanted; ++t) {
            try {
                threads.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            } catch (const std::bad_alloc&) {
                break;
            }
        }
        work();
        guard.join_all();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    return static_cast<std::uint32_t>(threads.size()) + 1;
}

void run_parallel_ranges(std::size_t count, std::uint32_t workers,
                         const std::function<void(std::size_t, std::size_t)>& body) {
    const std::size_t runs = (count + kParallelRunItems - 1) / kParallelRunItems;
    if (workers < 2 || runs < 2) {
        if (count > 0)
            body(0, count);
        return;
    }
    run_parallel_tasks(runs, workers, [&](std::size_t run) {
        body(run * kParallelRunItems, std::min(count, (run + 1) * kParallelRunItems));
    });
}

}  // namespace pavrix_svg_core
