#include "ToolArgs.h"

#include <charconv>
#include <cmath>
#include <cstring>

bool ParseNumber(const char* pszText, double* pdValue) {
    const char* p = pszText;
    const char* pEnd = pszText + std::strlen(pszText);
    if (p != pEnd && *p == '+')
        ++p;
    // from_chars takes a leading minus itself, but never after a plus.
    if (p == pEnd || *p == '+' || (*p == '-' && pszText != p))
        return false;
    const std::from_chars_result result = std::from_chars(p, pEnd, *pdValue);
    return result.ec == std::errc() && result.ptr == pEnd && std::isfinite(*pdValue);
}
