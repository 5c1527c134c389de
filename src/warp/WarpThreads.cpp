// The thread count of the warp: set by the caller, by MORROW_THREADS, or from the processors.
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <thread>

#include "framework/Services.h"
#include "warp/Warp.h"

namespace {

// More are rarely useful: the bands would be too low to pay for their threads.
constexpr unsigned kAutomaticCap = 8;

std::atomic<unsigned> g_nWarpThreads{0};

// MORROW_THREADS, read once: a process has one environment for its lifetime.
unsigned EnvironmentThreads() {
    static const unsigned nThreads = [] {
        const char* pszValue = std::getenv("MORROW_THREADS");
        if (!pszValue)
            return 0u;
        const unsigned nParsed = ParseWarpThreads(pszValue);
        if (nParsed == 0)
            TraceLine("MORROW_THREADS=\"%s\" is not a positive integer; ignored\n", pszValue);
        return nParsed;
    }();
    return nThreads;
}

} // namespace

unsigned ParseWarpThreads(const char* pszValue) {
    if (!pszValue)
        return 0;
    const char* p = pszValue;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return 0;
    unsigned long nValue = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p)
        if (nValue <= kMaxWarpThreads) // stays small however many digits follow
            nValue = nValue * 10 + static_cast<unsigned long>(*p - '0');
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (*p != '\0' || nValue == 0)
        return 0;
    return nValue > kMaxWarpThreads ? kMaxWarpThreads : static_cast<unsigned>(nValue);
}

void SetWarpThreads(unsigned nThreads) {
    g_nWarpThreads.store(nThreads > kMaxWarpThreads ? kMaxWarpThreads : nThreads);
}

unsigned GetWarpThreads() {
    if (const unsigned nSet = g_nWarpThreads.load())
        return nSet;
    if (const unsigned nEnvironment = EnvironmentThreads())
        return nEnvironment;
    const unsigned nProcessors = std::thread::hardware_concurrency();
    return nProcessors == 0 ? 1 : (nProcessors < kAutomaticCap ? nProcessors : kAutomaticCap);
}
