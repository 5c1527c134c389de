// The data-file constructor of CViewImage: 14 scene values, the camera (centre of projection,
// then the matrix columns c, a, b) and 40,000 records "x y disparity red green blue".
//
// The file is read in large chunks and parsed by a small scanner of our own. It accepts
// what the C library's "%lf" and "%d" accept on this platform, always in the C locale: a GUI
// sets the process locale from the environment, and "%lf" would then stop at the '.' of "0.5"
// under a locale with a decimal comma. A token that is not a number stops the reading for good,
// as it would block a formatted-input stream.
#include "image/ViewImage.h"

#include "framework/Services.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <locale.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kGridSide = 200;

bool IsCSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsHexDigit(char ch) {
    return IsDigit(ch) || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// Digits, optionally a point and more digits, from p on: the end of the mantissa, or null when
// it holds no digit at all.
const char* ScanMantissa(const char* p, const char* pEnd, bool (*isDigit)(char)) {
    bool bAny = false;
    while (p != pEnd && isDigit(*p)) {
        ++p;
        bAny = true;
    }
    if (p != pEnd && *p == '.') {
        ++p;
        while (p != pEnd && isDigit(*p)) {
            ++p;
            bAny = true;
        }
    }
    return bAny ? p : nullptr;
}

char Lower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Case-insensitive match of a lower-case word at p.
bool MatchWord(const char* p, const char* pEnd, const char* pszWord) {
    for (; *pszWord; ++pszWord, ++p)
        if (p == pEnd || Lower(*p) != *pszWord)
            return false;
    return true;
}

// Converts a validated number text in the C locale. Used only when from_chars cannot give the
// value itself (a result beyond the double range), where strtod's overflow and underflow
// results (infinity, zero or a subnormal) are what "%lf" stores.
double SlowConvert(const char* pBegin, const char* pEnd) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::string strText(pBegin, pEnd);
    return strtod_l(strText.c_str(), nullptr, cLocale);
}

// The file, read in chunks: a bounded amount of memory whatever the input is (an endless
// device, a huge file), and only as much of it as the reading needs.
class CInput {
public:
    // A number longer than this is not accepted as one.
    static constexpr size_t kMaxToken = 1u << 20;

    explicit CInput(int nFd) : m_nFd(nFd), m_Buffer(1u << 18) {}

    // Skips white space and gives the next token: the bytes up to the next white space or the
    // end of the file, at most kMaxToken of them (*pbCut then says the token goes on). False
    // at the end of the file.
    bool NextWindow(const char** ppBegin, const char** ppEnd, bool* pbCut) {
        for (;;) {
            while (m_nPos < m_nEnd && IsCSpace(m_Buffer[m_nPos]))
                ++m_nPos;
            if (m_nPos < m_nEnd)
                break;
            if (!Fill())
                return false;
        }
        size_t nScan = m_nPos;
        for (;;) {
            while (nScan < m_nEnd && nScan - m_nPos < kMaxToken && !IsCSpace(m_Buffer[nScan]))
                ++nScan;
            if (nScan < m_nEnd || nScan - m_nPos >= kMaxToken)
                break;
            const size_t nOffset = nScan - m_nPos;
            if (!Fill())
                break;
            nScan = m_nPos + nOffset;
        }
        *ppBegin = m_Buffer.data() + m_nPos;
        *ppEnd = m_Buffer.data() + nScan;
        *pbCut = nScan - m_nPos >= kMaxToken && !(m_bEnd && nScan == m_nEnd);
        return true;
    }

    void Consume(size_t nBytes) { m_nPos += nBytes; }

private:
    int m_nFd;
    std::vector<char> m_Buffer;
    size_t m_nPos = 0, m_nEnd = 0;
    bool m_bEnd = false;

    // Reads more bytes after m_nEnd, moving the unread part to the front first. False at the
    // end of the file or on a read error (which ends the reading like the end of the file).
    bool Fill() {
        if (m_bEnd)
            return false;
        if (m_nPos > 0) {
            std::memmove(m_Buffer.data(), m_Buffer.data() + m_nPos, m_nEnd - m_nPos);
            m_nEnd -= m_nPos;
            m_nPos = 0;
        }
        if (m_nEnd == m_Buffer.size())
            m_Buffer.resize(m_Buffer.size() * 2);
        for (;;) {
            const ssize_t nGot = ::read(m_nFd, m_Buffer.data() + m_nEnd, m_Buffer.size() - m_nEnd);
            if (nGot < 0 && errno == EINTR)
                continue;
            if (nGot <= 0) {
                m_bEnd = true;
                return false;
            }
            m_nEnd += static_cast<size_t>(nGot);
            return true;
        }
    }
};

// A cursor over the file's bytes that reads numbers the way "%lf" and "%d" do, with one
// difference of definition: a "%d" value outside the int range is flagged instead of wrapped.
class CNumberScanner {
public:
    explicit CNumberScanner(CInput& input) : m_Input(input) {}

    // "%lf": skips white space, then reads a decimal or hexadecimal real, "inf", "infinity" or
    // "nan" (any case, optional sign). False when no number is there; nothing is consumed
    // beyond the white space then, and every later read fails too.
    bool ReadDouble(double* pdValue) {
        if (!Prepare())
            return false;
        const char* p = m_p;
        bool bNegative = false;
        if (p != m_pEnd && (*p == '+' || *p == '-')) {
            bNegative = *p == '-';
            ++p;
        }
        const char* pNumber = p;
        double dValue = 0.0;
        if (p != m_pEnd && (Lower(*p) == 'i' || Lower(*p) == 'n')) {
            if (MatchWord(p, m_pEnd, "infinity")) {
                p += 8;
                dValue = std::numeric_limits<double>::infinity();
            } else if (MatchWord(p, m_pEnd, "inf")) {
                // "inf" followed by the start of "inity" but not all of it is no number.
                if (p + 3 != m_pEnd && Lower(p[3]) == 'i')
                    return Block();
                p += 3;
                dValue = std::numeric_limits<double>::infinity();
            } else if (MatchWord(p, m_pEnd, "nan")) {
                p += 3;
                dValue = std::numeric_limits<double>::quiet_NaN();
            } else {
                return Block();
            }
        } else if (p + 1 < m_pEnd && p[0] == '0' && Lower(p[1]) == 'x') {
            // Hexadecimal real: 0x, hex digits with an optional point, optional p exponent.
            const char* pDigits = p + 2;
            const char* q = ScanMantissa(pDigits, m_pEnd, IsHexDigit);
            if (!q)
                return Block();
            const char* pMantissaEnd = q;
            const char* pValueEnd = SkipExponent(q, 'p', &q) ? q : pMantissaEnd;
            std::from_chars_result result =
                std::from_chars(pDigits, pValueEnd, dValue, std::chars_format::hex);
            if (result.ec != std::errc() || result.ptr != pValueEnd)
                dValue = SlowConvert(pNumber, pValueEnd);
            p = q;
        } else {
            const char* q = ScanMantissa(p, m_pEnd, IsDigit);
            if (!q)
                return Block();
            const char* pMantissaEnd = q;
            const char* pValueEnd = SkipExponent(q, 'e', &q) ? q : pMantissaEnd;
            std::from_chars_result result = std::from_chars(pNumber, pValueEnd, dValue);
            if (result.ec != std::errc() || result.ptr != pValueEnd)
                dValue = SlowConvert(pNumber, pValueEnd);
            p = q;
        }
        if (!Accept(p))
            return false;
        *pdValue = bNegative ? -dValue : dValue;
        return true;
    }

    // "%d": skips white space, then an optional sign and decimal digits. A value beyond the int
    // range still counts as read; *pbInRange says whether it fits (*pnValue is then 0).
    bool ReadInt(int* pnValue, bool* pbInRange) {
        if (!Prepare())
            return false;
        const char* p = m_p;
        bool bNegative = false;
        if (p != m_pEnd && (*p == '+' || *p == '-')) {
            bNegative = *p == '-';
            ++p;
        }
        if (p == m_pEnd || !IsDigit(*p))
            return Block();
        // Accumulate as a negative number so that INT_MIN fits; stop accumulating once out
        // of range but still consume every digit.
        long long nValue = 0;
        bool bInRange = true;
        for (; p != m_pEnd && IsDigit(*p); ++p) {
            if (bInRange) {
                nValue = nValue * 10 - (*p - '0');
                if (nValue < static_cast<long long>(std::numeric_limits<int>::min()))
                    bInRange = false;
            }
        }
        if (bInRange && !bNegative) {
            nValue = -nValue;
            if (nValue > std::numeric_limits<int>::max())
                bInRange = false;
        }
        if (!Accept(p))
            return false;
        *pbInRange = bInRange;
        *pnValue = bInRange ? static_cast<int>(nValue) : 0;
        return true;
    }

    // True once a read stopped at something that is not a number (not at the end of the file).
    bool HitBadToken() const { return m_bBadToken; }

private:
    CInput& m_Input;
    const char* m_p = nullptr; // the current token
    const char* m_pEnd = nullptr;
    bool m_bCut = false;
    bool m_bBlocked = false;
    bool m_bBadToken = false;

    // Skips white space and takes the next token; false when the stream is blocked or at its
    // end. A number never reaches past white space, so parsing within the token is the same
    // as parsing the whole rest of the file.
    bool Prepare() {
        if (m_bBlocked)
            return false;
        if (!m_Input.NextWindow(&m_p, &m_pEnd, &m_bCut)) {
            m_bBlocked = true;
            return false;
        }
        return true;
    }

    // Consumes a number that ended at p; one that fills a cut token is too long to be one.
    bool Accept(const char* p) {
        if (m_bCut && p == m_pEnd)
            return Block();
        m_Input.Consume(static_cast<size_t>(p - m_p));
        return true;
    }

    bool Block() {
        m_bBlocked = true;
        m_bBadToken = true;
        return false;
    }

    // An exponent letter, an optional sign and digits after a mantissa ending at q. As the C
    // library does, the letter and the sign are consumed even when no digit follows (the value
    // is then the mantissa's): *pNext is where reading goes on, and the result says whether
    // the exponent belongs to the value.
    bool SkipExponent(const char* q, char chLetter, const char** pNext) const {
        *pNext = q;
        if (q == m_pEnd || Lower(*q) != chLetter)
            return false;
        ++q;
        if (q != m_pEnd && (*q == '+' || *q == '-'))
            ++q;
        bool bDigits = false;
        while (q != m_pEnd && IsDigit(*q)) {
            ++q;
            bDigits = true;
        }
        *pNext = q;
        return bDigits;
    }
};

// Opens the file for reading; -1 when it cannot be opened or is a folder.
int OpenForReading(const char* pszPath) {
    const int nFd = ::open(pszPath, O_RDONLY | O_CLOEXEC);
    if (nFd < 0)
        return -1;
    struct stat info;
    if (::fstat(nFd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(nFd);
        return -1;
    }
    return nFd;
}

} // namespace

CViewImage::CViewImage(const char* pszPath, LoadReport* pReport) {
    InitFields();
    LoadReport report;
    m_strFileName = pszPath ? pszPath : "";
    m_nWidth = kGridSide;
    m_nHeight = kGridSide;

    const int nFd = pszPath ? OpenForReading(pszPath) : -1;
    if (nFd < 0) {
        TraceLine("can't open datafile %s!", m_strFileName.c_str());
        if (pReport)
            *pReport = report;
        return;
    }
    report.bOpened = true;

    CInput input(nFd);
    CNumberScanner scanner(input);
    // A failed conversion stores nothing, so fields the file does not reach stay 0.0.
    auto readInto = [&](double* pdField) {
        double dValue;
        if (!scanner.ReadDouble(&dValue))
            return false;
        *pdField = dValue;
        ++report.nNumbersRead;
        return true;
    };

    for (double& dBound : m_SceneBounds)
        readInto(&dBound);
    for (double& dExtra : m_SceneExtra)
        readInto(&dExtra);
    for (double& dCop : m_COP)
        readInto(&dCop);
    // The matrix comes column by column, c first, then a, then b.
    for (int nColumn : {2, 0, 1})
        for (int nRow = 0; nRow < 3; ++nRow)
            readInto(&m_P[nRow][nColumn]);

    const int nSamples = m_nWidth * m_nHeight;
    m_pSamples = new PixelSample[nSamples];
    for (int i = 0; i < nSamples; ++i)
        m_pSamples[i] = PixelSample{0.0, 0.0, 0.0, 0.0};

    for (int nRecord = 0; nRecord < nSamples; ++nRecord) {
        int nX = 0, nY = 0;
        bool bXFits = false, bYFits = false;
        if (!scanner.ReadInt(&nX, &bXFits))
            break;
        ++report.nNumbersRead;
        if (!scanner.ReadInt(&nY, &bYFits))
            break;
        ++report.nNumbersRead;
        const bool bInside =
            bXFits && bYFits && nX >= 0 && nX < m_nWidth && nY >= 0 && nY < m_nHeight;
        // A record outside the grid is read to its end but stored nowhere; the values of a
        // record inside it are stored one by one, as far as the file reaches.
        PixelSample discard{0.0, 0.0, 0.0, 0.0};
        PixelSample& sample = bInside ? m_pSamples[nY * m_nWidth + nX] : discard;
        if (!readInto(&sample.disparity) || !readInto(&sample.red) || !readInto(&sample.green) ||
            !readInto(&sample.blue))
            break;
        if (!bInside)
            ++report.nRecordsOutside;
    }
    ::close(nFd);
    report.bBadToken = scanner.HitBadToken();
    if (pReport)
        *pReport = report;
}
