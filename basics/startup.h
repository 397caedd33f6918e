#pragma once
// The shared unit's start-up and shutdown, as one object: constructing it does the start-up work
// (per-user folders, settings files, graphics defaults, the vocabulary object, the workbook
// question); destroying it does the shutdown. The program makes one before the licence window.

#include <memory>
#include <string>
#include <vector>

#include "basics/graphics_defaults.h"
#include "platform/platform.h"

namespace qs {

class shared_unit {
public:
    // Throws system_error when a settings file exists but cannot be read.
    explicit shared_unit(platform& os, graphics_factory make_objects = nullptr);
    ~shared_unit();
    shared_unit(const shared_unit&) = delete;
    shared_unit& operator=(const shared_unit&) = delete;

    struct state;
    const state& values() const { return *state_; }

private:
    std::unique_ptr<state> state_;
};

}  // namespace qs
