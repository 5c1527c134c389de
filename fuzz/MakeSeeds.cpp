// Writes the seed corpus of the fuzz targets: morrow-fuzz-seeds OUTDIR [DATAFILE].
// OUTDIR/move and OUTDIR/bmp get encoded moves and small images, typical and degenerate ones;
// with a data file (written by morrow-scene) OUTDIR/reader gets the file itself and small
// variants of its head: cut mid-record, CRLF line ends, a bad token, out-of-grid records,
// non-finite and huge numbers. The encodings follow CFuzzInput.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Services.h"
#include "image/ViewImage.h"

namespace {

// Builds the bytes that CFuzzInput decodes back into the same values.
class CEncoder {
public:
    CEncoder& Byte(uint8_t n) {
        m_bytes.push_back(n);
        return *this;
    }
    CEncoder& Default(int nCount = 1) {
        for (int i = 0; i < nCount; ++i)
            m_bytes.push_back(0);
        return *this;
    }
    CEncoder& Raw(double d) {
        m_bytes.push_back(240);
        uint8_t b[8];
        std::memcpy(b, &d, sizeof d);
        m_bytes.insert(m_bytes.end(), b, b + 8);
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

bool WriteFile(const std::string& strPath, const void* pData, size_t nSize) {
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) {
        std::fprintf(stderr, "morrow-fuzz-seeds: cannot write %s\n", strPath.c_str());
        return false;
    }
    const bool bOk = std::fwrite(pData, 1, nSize, pFile) == nSize;
    return std::fclose(pFile) == 0 && bOk;
}

bool WriteSeed(const std::string& strDir, const std::string& strName, const CEncoder& e) {
    return WriteFile(strDir + "/" + strName, e.Bytes().data(), e.Bytes().size());
}

bool WriteText(const std::string& strDir, const std::string& strName, const std::string& str) {
    return WriteFile(strDir + "/" + strName, str.data(), str.size());
}

// The camera and scene part of a move encoding (flags first) and the source's size (0: 48 x 48);
// the tile follows.
CEncoder MoveHead(uint8_t nFlags) {
    CEncoder e;
    e.Byte(nFlags).Default(3 + 9 + 6).Byte(0).Byte(0);
    return e;
}

bool WriteMoveSeeds(const std::string& strDir, const CViewImage* pScene) {
    bool bOk = true;
    const double dNaN = __builtin_nan("");
    const double dInf = __builtin_inf();
    // Defaults: a plane at depth 400 seen by a free move, and by a focus move.
    bOk &= WriteSeed(strDir, "free-default", CEncoder().Byte(0));
    bOk &= WriteSeed(strDir, "focus-default", CEncoder().Byte(1));
    { // Pure rotation: W = 0.
        CEncoder e = MoveHead(0);
        e.Byte(0).Byte(0).Default(4).Raw(10.0).Default(2).Raw(0.0).Raw(0.0).Raw(0.0);
        bOk &= WriteSeed(strDir, "free-pure-rotation", e);
    }
    { // Zoom 0: the camera on the focus point.
        CEncoder e = MoveHead(1);
        e.Byte(0).Byte(0).Default(4).Default(3).Default(3).Raw(0.0);
        bOk &= WriteSeed(strDir, "focus-zoom-0", e);
    }
    { // Zoom near 0 with a turn.
        CEncoder e = MoveHead(1);
        e.Byte(0).Byte(0).Default(4).Raw(20.0).Raw(-35.0).Default(1).Default(3).Raw(1e-9);
        bOk &= WriteSeed(strDir, "focus-zoom-tiny", e);
    }
    { // Depth edges everywhere: a 2 x 2 tile of a far and a very near surface.
        CEncoder e = MoveHead(0);
        e.Byte(1).Byte(1);
        e.Raw(0.0).Default(3).Raw(1e6).Default(3).Raw(50.0).Default(3).Raw(0.01).Default(3);
        e.Default(3).Raw(30.0).Raw(0.0).Raw(5.0);
        bOk &= WriteSeed(strDir, "free-depth-edges", e);
    }
    { // Non-finite and negative disparities and colours.
        CEncoder e = MoveHead(0);
        e.Byte(2).Byte(0);
        e.Raw(dNaN).Raw(dInf).Raw(-dInf).Raw(dNaN);
        e.Raw(-3.0).Raw(1e308).Raw(-1e308).Raw(255.9);
        e.Raw(dInf).Default(3);
        bOk &= WriteSeed(strDir, "free-nonfinite", e);
    }
    { // The camera just in front of the plane, and a camera looking along the old image plane.
        CEncoder e = MoveHead(0);
        e.Byte(0).Byte(0).Default(4).Default(3).Raw(0.0).Raw(0.0).Raw(399.0);
        bOk &= WriteSeed(strDir, "free-near-surface", e);
        CEncoder f = MoveHead(0);
        f.Byte(0).Byte(0).Default(4).Raw(0.0).Raw(89.9).Raw(0.0).Raw(1.0).Raw(0.0).Raw(0.0);
        bOk &= WriteSeed(strDir, "free-along-plane", f);
    }
    { // A singular camera matrix and all-zero bounds.
        CEncoder e;
        e.Byte(1).Default(3);
        for (int i = 0; i < 9; ++i)
            e.Raw(i < 3 ? 0.0 : 1.0);
        for (int i = 0; i < 6; ++i)
            e.Raw(0.0);
        bOk &= WriteSeed(strDir, "focus-singular-zero-bounds", e);
    }
    if (pScene && pScene->GetSamples()) {
        // The generated scene's camera and an 8 x 8 tile of its samples around the centre.
        CEncoder e;
        e.Byte(0);
        for (int i = 0; i < 3; ++i)
            e.Raw(pScene->GetCOP()[i]);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                e.Raw(pScene->GetP()[r][c]);
        for (int i = 0; i < 6; ++i)
            e.Raw(pScene->GetSceneBounds()[i]);
        e.Byte(7).Byte(7);
        const PixelSample* pGrid = pScene->GetSamples();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const PixelSample& s = pGrid[(96 + y) * 200 + 96 + x];
                e.Raw(s.disparity).Raw(s.red).Raw(s.green).Raw(s.blue);
            }
        e.Raw(2.0).Raw(-3.0).Raw(1.0);
        for (int i = 0; i < 3; ++i)
            e.Raw(pScene->GetCOP()[i] + (i == 0 ? 0.5 : 0.2));
        bOk &= WriteSeed(strDir, "free-scene", e);
    }
    return bOk;
}

bool WriteBmpSeeds(const std::string& strDir) {
    bool bOk = true;
    const int kSizes[][2] = {{1, 1}, {2, 1}, {3, 2}, {4, 3}, {6, 5}, {0, 0}, {33, 1}, {1, 33}};
    int nSeed = 0;
    for (const auto& size : kSizes) {
        CEncoder e;
        e.Byte(0).Byte(static_cast<uint8_t>(size[0])).Byte(static_cast<uint8_t>(size[1]));
        const double kColours[] = {255.9, 256.0, -1.0, 127.99, __builtin_nan(""), 1e308, -2.5};
        for (int i = 0; i < size[0] * size[1]; ++i)
            e.Byte(static_cast<uint8_t>(i * 37)).Raw(kColours[i % 7]).Default(3);
        bOk &= WriteSeed(strDir, "bmp-" + std::to_string(nSeed++), e);
    }
    bOk &= WriteSeed(strDir, "bmp-no-grid", CEncoder().Byte(1).Byte(5).Byte(4));
    bOk &= WriteSeed(strDir, "bmp-negative", CEncoder().Byte(2 | 4).Byte(2).Byte(2));
    return bOk;
}

std::string Join(const std::vector<std::string>& tokens, size_t nCount, const char* pszSep) {
    std::string str;
    for (size_t i = 0; i < nCount && i < tokens.size(); ++i) {
        str += tokens[i];
        str += pszSep;
    }
    return str;
}

bool WriteReaderSeeds(const std::string& strDir, const std::string& strText) {
    std::vector<std::string> tokens;
    std::istringstream in(strText);
    for (std::string t; in >> t;)
        tokens.push_back(t);
    if (tokens.size() < 26 + 6 * 20) {
        std::fprintf(stderr, "morrow-fuzz-seeds: the data file is too short\n");
        return false;
    }
    const size_t nHead = 26 + 6 * 20;
    bool bOk = WriteText(strDir, "full", strText);
    bOk &= WriteText(strDir, "head", Join(tokens, nHead, "\n"));
    bOk &= WriteText(strDir, "mid-record", Join(tokens, nHead + 3, " "));
    bOk &= WriteText(strDir, "crlf", Join(tokens, nHead, "\r\n"));
    std::vector<std::string> v = tokens;
    v.resize(nHead);
    v[30] = "abc";
    bOk &= WriteText(strDir, "bad-token", Join(v, nHead, " "));
    v = tokens;
    v.resize(nHead);
    v[26] = "2147483647";
    v[33] = "-1";
    v[38] = "-2147483648";
    v[45] = "200";
    bOk &= WriteText(strDir, "outside", Join(v, nHead, " "));
    v = tokens;
    v.resize(nHead);
    v[28] = "nan";
    v[29] = "inf";
    v[30] = "-inf";
    v[34] = "-nan";
    v[35] = "INFINITY";
    bOk &= WriteText(strDir, "nonfinite", Join(v, nHead, " "));
    v = tokens;
    v.resize(nHead);
    for (size_t i = 0; i < nHead; ++i)
        v[i] = (i % 2) ? "1e308" : "-1e308";
    bOk &= WriteText(strDir, "huge", Join(v, nHead, " "));
    return bOk;
}

bool MakeDir(const std::string& strPath) {
    return mkdir(strPath.c_str(), 0755) == 0 || errno == EEXIST;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: morrow-fuzz-seeds OUTDIR [DATAFILE]\n");
        return 1;
    }
    const std::string strOut = argv[1];
    if (!MakeDir(strOut) || !MakeDir(strOut + "/move") || !MakeDir(strOut + "/bmp") ||
        !MakeDir(strOut + "/reader")) {
        std::fprintf(stderr, "morrow-fuzz-seeds: cannot create the folders under %s\n",
                     strOut.c_str());
        return 3;
    }
    SetTraceSink(TraceSink());
    SetMessageSink(MessageSink());
    bool bOk = WriteBmpSeeds(strOut + "/bmp");
    CViewImage* pScene = nullptr;
    if (argc == 3) {
        std::ifstream in(argv[2], std::ios::binary);
        const std::string strText((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        bOk &= WriteReaderSeeds(strOut + "/reader", strText);
        LoadReport report;
        pScene = new CViewImage(argv[2], &report);
        if (!report.IsComplete()) {
            std::fprintf(stderr, "morrow-fuzz-seeds: %s did not read completely\n", argv[2]);
            bOk = false;
        }
    } else {
        // Without a generated scene, a few hand-made files keep the reader's corpus alive.
        bOk &= WriteText(strOut + "/reader", "empty", "");
        bOk &= WriteText(strOut + "/reader", "header-only",
                         "-1 1 -1 1 2 4 0 0 0 0 0 0 0 0 0 0 0 -100 -100 200 1 0 0 0 1 0\n");
    }
    bOk &= WriteMoveSeeds(strOut + "/move", pScene);
    delete pScene;
    return bOk ? 0 : 3;
}
