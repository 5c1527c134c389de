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

// A hostile file for the warp: the camera of SceneTokens (scene values 0) over depth steps
// along diagonals: disparity dBase + dStep where x - y is a multiple of nDiffPeriod, else
// dBase - dStep where x + y is a multiple of nSumPeriod, else dBase (by default a scene at
// infinity with steps of +1 and -1). Colours (7x mod 256, 5y mod 256, 128).
// fuzz/measure-worst-cases.sh writes the same scenes.
std::vector<std::string> DiagonalStepTokens(int nDiffPeriod, int nSumPeriod, double dBase = 0.0,
                                            double dStep = 1.0);

// A number in the C locale with enough digits to read back the same double.
std::string FormatNumber(double d);

// The tokens joined, each followed by the separator ("\n", " " or "\r\n").
std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& strSeparator);
