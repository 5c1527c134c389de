#include "DataFiles.h"

#include <charconv>

std::string FormatNumber(double d) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
}

std::vector<std::string> SceneTokens() {
    const double header[kHeaderTokens] = {-100, 100,  -100, 100, 300, 500,       // bounds
                                          1,    2,    3,    4,   5,   6,   7, 8, // extra values
                                          0,    0,    0,   // centre of projection
                                          -100, -100, 200, // column c
                                          1,    0,    0,   // column a
                                          0,    1,    0};  // column b
    std::vector<std::string> tokens;
    tokens.reserve(kHeaderTokens + 6 * 40000);
    for (double d : header)
        tokens.push_back(FormatNumber(d));
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            tokens.push_back(std::to_string(x));
            tokens.push_back(std::to_string(y));
            tokens.push_back(FormatNumber(0.5 + 0.001 * x));
            tokens.push_back(FormatNumber((x / 10) % 2 ? 230.5 : 20.25));
            tokens.push_back(FormatNumber(y + 0.75));
            tokens.push_back(FormatNumber(((x * y) % 256) + 0.125));
        }
    }
    return tokens;
}

std::vector<std::string> DiagonalStepTokens(int nDiffPeriod, int nSumPeriod, double dBase,
                                            double dStep) {
    std::vector<std::string> tokens = SceneTokens();
    for (int i = 6; i < 14; ++i)
        tokens[size_t(i)] = "0";
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const int nRecord = y * 200 + x;
            const double d = (x - y) % nDiffPeriod == 0
                                 ? dBase + dStep
                                 : ((x + y) % nSumPeriod == 0 ? dBase - dStep : dBase);
            tokens[size_t(RecordToken(nRecord, 2))] = FormatNumber(d);
            tokens[size_t(RecordToken(nRecord, 3))] = std::to_string((x * 7) % 256);
            tokens[size_t(RecordToken(nRecord, 4))] = std::to_string((y * 5) % 256);
            tokens[size_t(RecordToken(nRecord, 5))] = "128";
        }
    }
    return tokens;
}

std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& strSeparator) {
    std::string str;
    str.reserve(tokens.size() * 8);
    for (const std::string& t : tokens) {
        str += t;
        str += strSeparator;
    }
    return str;
}
