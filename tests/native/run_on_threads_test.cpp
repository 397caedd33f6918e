#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

#include "platform/run_on_threads.h"

namespace qs {
namespace {

using no_state = int;

TEST(RunOnThreads, EveryItemRunsOnceAndEachThreadKeepsItsOwnState)
{
    std::vector<std::atomic<int>> runs(50);
    std::atomic<int> states_made{0};
    run_on_threads<int>(runs.size(), 3, [&](std::size_t i, std::optional<int>& state) {
        if (!state) {
            state = 0;
            ++states_made;
        }
        ++*state;
        ++runs[i];
    });
    for (std::size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i], 1) << "item " << i;
    EXPECT_GE(states_made, 1);
    EXPECT_LE(states_made, 3);
}

TEST(RunOnThreads, AFailureOnAHelperThreadIsRethrownOnTheCallingThread)
{
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> helper_ran{false};
    auto job = [&](std::size_t, std::optional<no_state>&) {
        if (std::this_thread::get_id() != caller) {
            helper_ran = true;
            throw std::bad_alloc();
        }
        // The caller's item waits until a helper has taken the other one.
        while (!helper_ran) std::this_thread::yield();
    };
    EXPECT_THROW(run_on_threads<no_state>(2, 2, job), std::bad_alloc);
    EXPECT_TRUE(helper_ran);
}

TEST(RunOnThreads, TheFirstFailingItemInItemOrderIsTheOneRethrown)
{
    for (unsigned threads : {1u, 4u}) {
        try {
            run_on_threads<no_state>(40, threads, [](std::size_t i, std::optional<no_state>&) {
                if (i == 31) throw std::runtime_error("item 31");
                if (i == 7) throw std::logic_error("item 7");
            });
            ADD_FAILURE() << "nothing thrown with " << threads << " threads";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), "item 7");
        }
    }
}

}  // namespace
}  // namespace qs
