#pragma once
// Work on many items spread over a few threads, the calling one among them. Items are handed
// out one at a time, so a slow item never holds up a whole share. Whatever a job throws, on
// whichever thread, comes back to the caller: once every thread has finished, the failure of the
// first failing item in item order is rethrown, as a walk in order would have met it. Items after
// a known failure are not started.

#include <atomic>
#include <cstddef>
#include <exception>
#include <optional>
#include <thread>
#include <vector>

namespace qs {

// job(item, state) runs once for each item below count; state is the running thread's own
// ThreadState, empty until the job makes it.
template <typename ThreadState, typename Job>
void run_on_threads(std::size_t count, unsigned threads, Job job)
{
    std::vector<std::exception_ptr> failures(count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> first_failure{count};

    auto work = [&]() noexcept {
        std::optional<ThreadState> state;
        for (std::size_t i = next++; i < count && i < first_failure; i = next++) {
            try {
                job(i, state);
            } catch (...) {
                failures[i] = std::current_exception();
                std::size_t seen = first_failure;
                while (i < seen && !first_failure.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (...) {
            break;  // fewer helpers: the threads there are share the items
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (first_failure < count) std::rethrow_exception(failures[first_failure]);
}

}  // namespace qs
