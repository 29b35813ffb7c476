// Replaces entries of the platform's system-call table for one test and
// puts the real ones back afterwards.
#pragma once

#include "platform/win_api.h"

class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(const platform::SystemCalls& calls) : saved_(platform::systemCalls) {
        platform::systemCalls = calls;
    }
    ~ScopedSystemCalls() { platform::systemCalls = saved_; }
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    platform::SystemCalls saved_;
};
