#include "kernel/parallel_tasks.h"

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

}  // namespace pavrix_svg_core
