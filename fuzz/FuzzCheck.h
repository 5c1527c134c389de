// A property that must hold whatever the input: print it and abort, so that libFuzzer saves
// the input and a replay fails.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#include "framework/Services.h"

// Message boxes and trace lines go nowhere: a fuzz run would otherwise print millions of them.
inline void SilenceReports() {
    static const bool bDone = [] {
        SetMessageSink(MessageSink());
        SetTraceSink(TraceSink());
        return true;
    }();
    (void)bDone;
}
