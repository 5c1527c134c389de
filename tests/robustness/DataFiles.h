// Data files for the robustness tests, as token lists that a test can spoil one by one.
#pragma once

#include <string>
#include <vector>

// Token positions: the 26 header values, then records of x, y, disparity, red, green, blue.
constexpr int kHeaderTokens = 26;
inline int RecordToken(int nRecord, int nField) {
    return kHeaderTokens + 6 * nRecord + nField;
}
// Header positions of the matrix columns as the file gives them: c, then a, then b.
constexpr int kTokenBounds = 0, kTokenCOP = 14, kTokenColumnC = 17, kTokenColumnA = 20,
              kTokenColumnB = 23;

// A complete, valid data file: the camera at the origin looking along +z at a slanted, striped
// plane (disparity 0.5 to 0.7), records row by row.
std::vector<std::string> SceneTokens();

// A number in the C locale with enough digits to read back the same double.
std::string FormatNumber(double d);

// The tokens joined, each followed by the separator ("\n", " " or "\r\n").
std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& strSeparator);
