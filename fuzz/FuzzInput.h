// Decodes fuzzer bytes into the numbers of a test case. Most selectors keep a sensible default,
// so that mutations explore near working inputs; the rest give the values that break arithmetic
// (zeros, the 1e-20 tolerance, NaN, infinities, the int limits, huge magnitudes) or a raw double.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

class CFuzzInput {
public:
    CFuzzInput(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize), m_nPos(0) {}

    bool AtEnd() const { return m_nPos >= m_nSize; }

    // Next byte, 0 once the input is used up.
    uint8_t NextByte() { return AtEnd() ? 0 : m_pData[m_nPos++]; }

    // Next double: the default, the default moved by a small step, a hostile value or raw bits.
    double NextDouble(double dDefault) {
        if (AtEnd())
            return dDefault;
        const uint8_t nSelector = NextByte();
        if (nSelector < 96)
            return dDefault;
        if (nSelector < 160)
            return dDefault + static_cast<int8_t>(NextByte()) / 8.0;
        if (nSelector < 240)
            return Hostile(nSelector - 160);
        uint8_t bytes[8] = {};
        for (uint8_t& b : bytes)
            b = NextByte();
        double d;
        std::memcpy(&d, bytes, sizeof d);
        return d;
    }

    static double Hostile(int nIndex) {
        static const double kValues[] = {0.0,
                                         -0.0,
                                         1.0,
                                         -1.0,
                                         0.5,
                                         -0.5,
                                         1e-20,
                                         -1e-20,
                                         2e-20,
                                         1e-30,
                                         1e-300,
                                         std::numeric_limits<double>::denorm_min(),
                                         std::numeric_limits<double>::min(),
                                         1e308,
                                         -1e308,
                                         std::numeric_limits<double>::max(),
                                         -std::numeric_limits<double>::max(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         std::numeric_limits<double>::quiet_NaN(),
                                         -std::numeric_limits<double>::quiet_NaN(),
                                         199.0,
                                         199.5,
                                         198.5,
                                         198.4,
                                         -1.4,
                                         -1.5,
                                         200.0,
                                         255.9,
                                         256.0,
                                         127.99,
                                         2147483647.0,
                                         2147483648.0,
                                         -2147483648.0,
                                         -2147483649.0,
                                         4294967296.0,
                                         9.2233720368547758e18,
                                         -9.2233720368547758e18,
                                         1e10,
                                         -1e10,
                                         1e6,
                                         -1e6,
                                         3.1415926,
                                         1024.0,
                                         1023.5,
                                         2048.0,
                                         4096.0};
        constexpr int kCount = sizeof kValues / sizeof kValues[0];
        return kValues[nIndex % kCount];
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos;
};
