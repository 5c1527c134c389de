// Command-line helpers shared by the tools.
#pragma once

// A finite number in the C locale, the whole argument and nothing else: an optional sign (one),
// digits, a decimal point and an exponent. NaN, infinities and trailing text are refused.
bool ParseNumber(const char* pszText, double* pdValue);
