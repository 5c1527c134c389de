// The data-file reader: layout of the header, records in any order, the number syntax of
// "%lf" and "%d" in the C locale, and every way a file can be short, wrong or missing.
#include "image/ViewImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Record {
    int x, y;
    double disparity, red, green, blue;
};

// A 200 x 200 image whose values differ from pixel to pixel and use awkward doubles.
std::vector<Record> MakeRecords() {
    std::vector<Record> records;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            records.push_back({x, y, 1.0 / (1.0 + x + 3.0 * y), x * 1.1, y * 0.7 + 0.1,
                               (x * 7 + y * 13) % 256 + 0.25});
    return records;
}

std::string Num(double d) {
    char sz[64];
    std::snprintf(sz, sizeof sz, "%.17g", d);
    return sz;
}

// Header values 1 to 26 so that every destination can be told apart.
std::string HeaderText(const char* pszSeparator = " ") {
    std::string str;
    for (int i = 1; i <= 26; ++i)
        str += std::to_string(i) + pszSeparator;
    return str;
}

std::string RecordsText(const std::vector<Record>& records, const char* pszSeparator,
                        const char* pszEnd) {
    std::string str;
    for (const Record& r : records) {
        str += std::to_string(r.x) + pszSeparator + std::to_string(r.y) + pszSeparator +
               Num(r.disparity) + pszSeparator + Num(r.red) + pszSeparator + Num(r.green) +
               pszSeparator + Num(r.blue) + pszEnd;
    }
    return str;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectGridEquals(const CViewImage& image, const std::vector<Record>& records) {
    ASSERT_NE(image.GetSamples(), nullptr);
    for (const Record& r : records) {
        const PixelSample& s = image.GetSamples()[r.y * 200 + r.x];
        ASSERT_TRUE(SameBits(s.disparity, r.disparity) && SameBits(s.red, r.red) &&
                    SameBits(s.green, r.green) && SameBits(s.blue, r.blue))
            << "sample (" << r.x << ", " << r.y << ")";
    }
}

TEST(DataFileReader, PutsEveryHeaderValueInItsPlace) {
    CScratchDir dir;
    const std::vector<Record> records = MakeRecords();
    WriteFileBytes(dir.File("a.txt"), HeaderText() + RecordsText(records, " ", "\n"));
    CRecordingSinks sinks;
    LoadReport report;
    CViewImage image(dir.File("a.txt").c_str(), &report);

    EXPECT_TRUE(report.bOpened);
    EXPECT_TRUE(report.IsComplete());
    EXPECT_EQ(report.nNumbersRead, kDataFileNumbers);
    EXPECT_EQ(report.nRecordsOutside, 0);
    EXPECT_FALSE(report.bBadToken);
    EXPECT_TRUE(sinks.traces.empty());
    EXPECT_EQ(image.GetFileName(), dir.File("a.txt"));
    EXPECT_EQ(image.GetWidth(), 200);
    EXPECT_EQ(image.GetHeight(), 200);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image.GetSceneBounds()[i], i + 1.0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(image.GetSceneExtra()[i], i + 7.0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(image.GetCOP()[i], i + 15.0);
    // Columns come as c (tokens 18-20), a (21-23), b (24-26); m_P is stored row by row.
    const double expected[3][3] = {{21, 24, 18}, {22, 25, 19}, {23, 26, 20}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(image.GetP()[r][c], expected[r][c]) << r << "," << c;
    ExpectGridEquals(image, records);
    // Disparity comes first in the record, last in the sample: (199, 0) is element 199.
    EXPECT_EQ(image.GetSamples()[199].red, 199 * 1.1);
    EXPECT_EQ(image.GetSamples()[200].green, 1 * 0.7 + 0.1);
}

TEST(DataFileReader, RecordOrderAndLineLayoutDoNotMatter) {
    CScratchDir dir;
    const std::vector<Record> rowByRow = MakeRecords();
    std::vector<Record> columnByColumn = rowByRow;
    std::stable_sort(columnByColumn.begin(), columnByColumn.end(),
                     [](const Record& a, const Record& b) { return a.x < b.x; });
    std::vector<Record> shuffled = rowByRow;
    std::mt19937 random(7);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    std::vector<Record> reversed(rowByRow.rbegin(), rowByRow.rend());

    const struct {
        const char* pszName;
        std::string strText;
    } cases[] = {
        {"row by row", HeaderText("\n") + RecordsText(rowByRow, " ", "\n")},
        {"column by column", HeaderText() + RecordsText(columnByColumn, " ", "\n")},
        {"shuffled", HeaderText() + RecordsText(shuffled, " ", "\n")},
        {"reversed", HeaderText() + RecordsText(reversed, " ", "\n")},
        {"one line", HeaderText() + RecordsText(shuffled, " ", " ")},
        {"every number on its own line, CRLF and tabs",
         HeaderText("\r\n") + RecordsText(rowByRow, "\r\n\t", "\r\n")},
        {"no line end at the end", HeaderText("\v\f ") + RecordsText(rowByRow, "  ", "\t")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteFileBytes(dir.File("f.txt"), c.strText);
        LoadReport report;
        CViewImage image(dir.File("f.txt").c_str(), &report);
        EXPECT_TRUE(report.IsComplete());
        EXPECT_EQ(image.GetP()[1][0], 22.0);
        ExpectGridEquals(image, rowByRow);
    }
}

TEST(DataFileReader, LaterRecordWinsAndUnnamedPixelsAreCleared) {
    CScratchDir dir;
    std::vector<Record> records = MakeRecords();
    // Pixel (5, 7) named twice, pixel (0, 0) never.
    records[0] = {5, 7, 0.5, 1.0, 2.0, 3.0};
    records.push_back({5, 7, 0.25, 10.0, 20.0, 30.0});
    records.erase(records.begin() + 7 * 200 + 5);
    WriteFileBytes(dir.File("f.txt"), HeaderText() + RecordsText(records, " ", "\n"));
    LoadReport report;
    CViewImage image(dir.File("f.txt").c_str(), &report);
    EXPECT_TRUE(report.IsComplete());
    const PixelSample& twice = image.GetSamples()[7 * 200 + 5];
    EXPECT_EQ(twice.disparity, 0.25);
    EXPECT_EQ(twice.red, 10.0);
    EXPECT_EQ(twice.blue, 30.0);
    const PixelSample& never = image.GetSamples()[0];
    EXPECT_EQ(never.red, 0.0);
    EXPECT_EQ(never.green, 0.0);
    EXPECT_EQ(never.blue, 0.0);
    EXPECT_EQ(never.disparity, 0.0);
}

// What the C library's "%lf" makes of a text, conversion after conversion: the oracle for the
// reader's own scanner (which must agree in the C locale).
std::vector<double> ScanLikeTheCLibrary(const std::string& strText, size_t nMax) {
    std::vector<double> values;
    const char* p = strText.c_str();
    while (values.size() < nMax) {
        double d;
        int nUsed = 0;
        if (std::sscanf(p, "%lf%n", &d, &nUsed) != 1)
            break;
        values.push_back(d);
        p += nUsed;
    }
    return values;
}

TEST(DataFileReader, RealNumbersAreReadAsTheCLibraryReadsThem) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, nullptr), nullptr);
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    // Each text is followed by more numbers; the reader must take the same values and stop
    // at the same place.
    const char* texts[] = {
        "1e2 -0.5 +3 .5 5. 00012",
        "1E+05 1e-3 -1.25E-2 7",
        "1e 5 6",  // exponent letter without digits: the mantissa, letter consumed
        "1e+ 5 6", // the same with a sign
        "1ex 5",   // stops at x
        "1.5.3 4", // "1.5" then ".3"
        "1,5 2",   // a comma is not a decimal point: 1, then a bad token
        "inf -INF Infinity nan -nan NaN 3",
        "infx 2",  // "inf", then a bad token
        "infin 2", // not a number at all
        "0x1p3 -0X1.8P1 0x10 2",
        "1e5000 -1e5000 1e-400 4.9e-324 2.2250738585072014e-308 5",
        "0.1000000000000000055511151231257827021181583404541015625 3",
        "123456789012345678901234567890 0.30000000000000004",
        "abc 1",
        "-- 1",
        "+-1 2",
        ". 2",
        "- 1",
        "e5 1",
        "12345678901234567890123456789012345678901234567890e-30 1",
    };
    CScratchDir dir;
    for (const char* pszText : texts) {
        SCOPED_TRACE(pszText);
        const std::string strText = std::string(pszText) + "\n";
        const std::vector<double> expected = ScanLikeTheCLibrary(strText, 26);
        WriteFileBytes(dir.File("n.txt"), strText);
        LoadReport report;
        CViewImage image(dir.File("n.txt").c_str(), &report);
        ASSERT_EQ(report.nNumbersRead, static_cast<long>(expected.size()));
        const double* fields[] = {image.GetSceneBounds(), image.GetSceneExtra()};
        for (size_t i = 0; i < expected.size() && i < 14; ++i) {
            const double dGot = i < 6 ? fields[0][i] : fields[1][i - 6];
            EXPECT_TRUE(SameBits(dGot, expected[i]) ||
                        (std::isnan(dGot) && std::isnan(expected[i]) &&
                         std::signbit(dGot) == std::signbit(expected[i])))
                << "value " << i << ": " << dGot << " vs " << expected[i];
        }
        // Did the text end in a bad token or at the end of the file?
        const bool bStoppedEarly =
            strText.find_first_not_of(" \n") != std::string::npos &&
            ScanLikeTheCLibrary(strText + " 1", 27).size() == expected.size();
        EXPECT_EQ(report.bBadToken, bStoppedEarly);
    }
}

// A file whose first record is the given text (meant for pixel (3, 4)), followed by the records
// of every other pixel.
std::string FileWithFirstRecord(const std::string& strRecord) {
    std::vector<Record> records = MakeRecords();
    records.erase(records.begin() + 4 * 200 + 3);
    return HeaderText() + strRecord + "\n" + RecordsText(records, " ", "\n");
}

TEST(DataFileReader, PixelCoordinatesMustBeIntegerTokens) {
    const struct {
        const char* pszRecord;
        long nNumbersRead; // of the file
        bool bBadToken;
        bool bStored; // the record landed at (3, 4)
    } cases[] = {
        {"3 4 0.5 1 2 3", kDataFileNumbers, false, true},
        {"+3 +4 0.5 1 2 3", kDataFileNumbers, false, true},
        {"003 4 0.5 1 2 3", kDataFileNumbers, false, true},
        {"3.0 4 0.5 1 2 3", 27, true, false}, // "%d" takes 3, then ".0" is no integer
        {"3e0 4 0.5 1 2 3", 27, true, false},
        {"x 4 0.5 1 2 3", 26, true, false},
        {"3 4 0,5 1 2 3", 29, true, true}, // disparity 0 read, then ",5" blocks
    };
    CScratchDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszRecord);
        WriteFileBytes(dir.File("r.txt"), FileWithFirstRecord(c.pszRecord));
        LoadReport report;
        CViewImage image(dir.File("r.txt").c_str(), &report);
        EXPECT_EQ(report.nNumbersRead, c.nNumbersRead);
        EXPECT_EQ(report.bBadToken, c.bBadToken);
        const PixelSample& s = image.GetSamples()[4 * 200 + 3];
        if (c.nNumbersRead == kDataFileNumbers) {
            EXPECT_EQ(s.disparity, 0.5);
            EXPECT_EQ(s.blue, 3.0);
        } else if (!c.bStored) {
            // Nothing after the bad token is read: every sample stays cleared.
            EXPECT_EQ(s.disparity, 0.0);
            EXPECT_EQ(image.GetSamples()[40000 - 1].red, 0.0);
        } else {
            EXPECT_EQ(s.disparity, 0.0);
            EXPECT_EQ(s.red, 0.0);
        }
    }
}

TEST(DataFileReader, RecordsOutsideTheGridAreCountedNotStored) {
    // 2^32 + 5 would wrap to 5 in a 32-bit conversion; it must count as outside instead.
    const char* outside[] = {
        "-1 0",         "200 0",         "0 200",        "0 -1",
        "2147483648 0", "-2147483649 0", "4294967301 0", "0 99999999999999999999"};
    CScratchDir dir;
    LoadReport report;
    std::vector<Record> records = MakeRecords();
    std::string strFirst = HeaderText();
    for (const char* pszXY : outside)
        strFirst += std::string(pszXY) + " 9 9 9 9\n";
    const size_t nOutside = sizeof outside / sizeof outside[0];
    records.resize(records.size() - nOutside);
    strFirst += RecordsText(records, " ", "\n");
    WriteFileBytes(dir.File("o.txt"), strFirst);
    CViewImage first(dir.File("o.txt").c_str(), &report);
    EXPECT_EQ(report.nRecordsOutside, static_cast<long>(nOutside));
    EXPECT_TRUE(report.IsComplete());
    EXPECT_FALSE(report.bBadToken);
    ExpectGridEquals(first, records);
    for (int i = static_cast<int>(records.size()); i < 40000; ++i)
        ASSERT_EQ(first.GetSamples()[i].red, 0.0) << "element " << i;
}

TEST(DataFileReader, ShortFileStoresWhatItHolds) {
    CScratchDir dir;
    const struct {
        const char* pszName;
        std::string strText;
        long nNumbersRead;
    } cases[] = {
        {"empty", "", 0},
        {"white space only", " \n\t\n", 0},
        {"header cut", "1 2 3 4 5", 5},
        {"header only", HeaderText(), 26},
        {"record cut after the red", HeaderText() + "3 4 0.5 7", 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteFileBytes(dir.File("s.txt"), c.strText);
        CRecordingSinks sinks;
        LoadReport report;
        CViewImage image(dir.File("s.txt").c_str(), &report);
        EXPECT_TRUE(report.bOpened);
        EXPECT_FALSE(report.IsComplete());
        EXPECT_FALSE(report.bBadToken);
        EXPECT_EQ(report.nNumbersRead, c.nNumbersRead);
        EXPECT_TRUE(sinks.traces.empty());
        ASSERT_NE(image.GetSamples(), nullptr);
        EXPECT_EQ(image.GetP()[2][1], c.nNumbersRead >= 26 ? 26.0 : 0.0);
        EXPECT_EQ(image.GetSceneBounds()[5], c.nNumbersRead >= 6 ? 6.0 : 0.0);
    }
    // The cut record keeps the values it reached.
    CViewImage cut(dir.File("s.txt").c_str());
    const PixelSample& part = cut.GetSamples()[4 * 200 + 3];
    EXPECT_EQ(part.disparity, 0.5);
    EXPECT_EQ(part.red, 7.0);
    EXPECT_EQ(part.green, 0.0);
}

TEST(DataFileReader, FileThatCannotBeOpenedLeavesNoGrid) {
    CScratchDir dir;
    const std::string paths[] = {dir.File("missing.txt"), dir.Path()};
    for (const std::string& strPath : paths) {
        SCOPED_TRACE(strPath);
        CRecordingSinks sinks;
        LoadReport report;
        report.nNumbersRead = 99;
        CViewImage image(strPath.c_str(), &report);
        EXPECT_FALSE(report.bOpened);
        EXPECT_EQ(report.nNumbersRead, 0);
        EXPECT_EQ(image.GetSamples(), nullptr);
        EXPECT_EQ(image.GetWidth(), 200);
        EXPECT_EQ(image.GetHeight(), 200);
        EXPECT_EQ(image.GetFileName(), strPath);
        EXPECT_EQ(image.GetCOP()[0], 0.0);
        EXPECT_EQ(image.GetP()[2][2], 0.0);
        ASSERT_EQ(sinks.traces.size(), 1u);
        EXPECT_EQ(sinks.traces[0], "can't open datafile " + strPath + "!");
        EXPECT_TRUE(sinks.messages.empty());
    }
}

TEST(DataFileReader, NonFiniteValuesAreStoredAndExportSafely) {
    CScratchDir dir;
    std::string strText = HeaderText() + "0 0 nan nan inf -inf\n1 0 -nan 1e999 -1e999 NAN\n";
    std::vector<Record> records = MakeRecords();
    records.erase(records.begin(), records.begin() + 2);
    strText += RecordsText(records, " ", "\n");
    WriteFileBytes(dir.File("n.txt"), strText);
    LoadReport report;
    CViewImage image(dir.File("n.txt").c_str(), &report);
    EXPECT_TRUE(report.IsComplete());
    EXPECT_TRUE(std::isnan(image.GetSamples()[0].disparity));
    EXPECT_TRUE(std::isinf(image.GetSamples()[0].green));
    EXPECT_TRUE(std::isinf(image.GetSamples()[1].red));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(image.EncodeBmp(bytes));
    // Non-finite colours become byte 0.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bytes[54 + i], 0) << i;
}

// Runs fn in a child process so that a process-wide locale change cannot leak into other
// tests; returns the child's exit status (0 = passed, 77 = skipped).
template <typename F> int RunInChild(F fn) {
    std::fflush(nullptr);
    const pid_t nPid = fork();
    if (nPid == 0)
        _exit(fn());
    int nStatus = 0;
    waitpid(nPid, &nStatus, 0);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 100;
}

TEST(DataFileReader, ReadsTheSameUnderALocaleWithADecimalComma) {
    CScratchDir dir;
    const std::vector<Record> records = MakeRecords();
    WriteFileBytes(dir.File("l.txt"), "0.5 1.5 -2.25 1e-3 " + HeaderText().substr(8) +
                                          RecordsText(records, " ", "\n"));
    CViewImage reference(dir.File("l.txt").c_str());
    // Use a German locale the machine has, or build one into the scratch folder.
    const int nResult = RunInChild([&]() {
        const char* pszLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
        if (!pszLocale) {
            const std::string strCommand =
                "localedef -i de_DE -f UTF-8 '" + dir.Path() + "/de_DE.UTF-8' >/dev/null 2>&1";
            if (std::system(strCommand.c_str()) != 0)
                return 77;
            setenv("LOCPATH", dir.Path().c_str(), 1);
            pszLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
        }
        if (!pszLocale)
            return 77;
        // The locale is in force: the C library now stops at the '.'.
        if (std::strtod("0.5", nullptr) != 0.0)
            return 3;
        LoadReport report;
        CViewImage image(dir.File("l.txt").c_str(), &report);
        if (!report.IsComplete())
            return 4;
        if (image.GetSceneBounds()[0] != 0.5 || image.GetSceneBounds()[2] != -2.25 ||
            image.GetSceneBounds()[3] != 1e-3)
            return 5;
        for (int i = 0; i < 40000; ++i)
            if (std::memcmp(&image.GetSamples()[i], &reference.GetSamples()[i],
                            sizeof(PixelSample)) != 0)
                return 6;
        return 0;
    });
    if (nResult == 77)
        GTEST_SKIP() << "no German locale on this machine and localedef could not build one";
    EXPECT_EQ(nResult, 0);
}

} // namespace

namespace {

TEST(DataFileReader, InputIsReadInBoundedMemory) {
    CScratchDir dir;
    // A 300,000-digit number is still one number; one of more than a megabyte is not.
    const std::string strLong = "0." + std::string(300000, '0') + "1e300000 7\n";
    WriteFileBytes(dir.File("long.txt"), strLong);
    const std::vector<double> expected = ScanLikeTheCLibrary(strLong, 2);
    LoadReport report;
    CViewImage image(dir.File("long.txt").c_str(), &report);
    ASSERT_EQ(report.nNumbersRead, 2);
    EXPECT_EQ(image.GetSceneBounds()[0], expected[0]);
    EXPECT_EQ(image.GetSceneBounds()[1], 7.0);

    WriteFileBytes(dir.File("huge.txt"), "1 " + std::string(3u << 20, '5') + " 2\n");
    CViewImage huge(dir.File("huge.txt").c_str(), &report);
    EXPECT_EQ(report.nNumbersRead, 1);
    EXPECT_TRUE(report.bBadToken);

    // An endless device: NUL bytes are no number, and the reading stops there.
    CViewImage endless("/dev/zero", &report);
    EXPECT_TRUE(report.bOpened);
    EXPECT_EQ(report.nNumbersRead, 0);
    EXPECT_TRUE(report.bBadToken);
    ASSERT_NE(endless.GetSamples(), nullptr);
}

} // namespace
