#pragma once
// A blocking call that has no deadline of its own (a name lookup: getaddrinfo and GetAddrInfoW
// wait as long as the resolver does) made on a thread of its own, so that the caller waits for
// it only until its deadline or a stop. A call that overruns is left behind: it finishes on its
// own, and what it returns goes into state that it shares, so nothing it touches has gone.

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/network.h"

namespace qs {

// The call's result; nothing when the deadline came first. Throws what the call threw, and
// transfer_stopped once `net` is stopped. The call must own everything it uses.
template <typename Result>
std::optional<Result> call_with_deadline(std::function<Result()> call, deadline until, const network& net)
{
    struct shared_state {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::optional<Result> result;
        std::exception_ptr failure;
    };
    net.check_stopped();
    auto state = std::make_shared<shared_state>();
    std::thread([state, call = std::move(call)] {
        std::optional<Result> result;
        std::exception_ptr failure;
        try {
            result.emplace(call());
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> hold(state->mutex);
        state->result = std::move(result);
        state->failure = failure;
        state->done = true;
        state->finished.notify_all();
    }).detach();

    std::unique_lock<std::mutex> hold(state->mutex);
    while (!state->finished.wait_until(hold, slice_end(until), [&] { return state->done; })) {
        net.check_stopped();
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
    }
    if (state->failure) std::rethrow_exception(state->failure);
    return std::move(state->result);
}

}  // namespace qs
