// The parallel warp, in three phases with a barrier between them:
// 1. every source pixel is warped once (rows split among the threads);
// 2. the triangles are prepared (usable vertices, box in the window, size test), each thread
//    taking a contiguous run of the traversal and keeping its records in traversal order;
// 3. the target rows are split into bands, one thread each; every band walks all records from
//    the last to the first and stores into a sample only once: that store is the last one of
//    the forward order, the one the sample keeps. The raster still runs the crossing count at
//    a stored position where its interpolation would show "Too TINY", so the bands count the
//    messages of the forward order, and they are shown on the calling thread at the end.
#include "warp/ParallelWarp.h"
#include "warp/Warp.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "framework/Services.h"
#include "warp/TriangleRaster.h"
#include "warp/Warp.h"
#include "warp/WarpEquation.h"

namespace {

// A band thread is worth starting only for this many target rows or more.
constexpr int kMinBandRows = 32;

// The fill budget, in the units of TriangleCost.
std::atomic<long long> g_nWarpBudget{kDefaultWarpBudget};

// The work of filling a box of nWidth x nHeight positions, in units of about one position
// tested: a small box tests every position, a large one is settled region by region, at a cost
// that grows with its sides (the lines where the outcome changes) rather than with its area.
long long TriangleCost(long long nWidth, long long nHeight) {
    const long long nArea = nWidth * nHeight;
    return nArea < kMinRegionArea ? nArea : 3 * (nWidth + nHeight);
}

// A triangle that can write into the window: its source pixels (grid elements) and its box
// clipped to the window, in plane coordinates.
struct TriangleRecord {
    int nXs, nXe, nYs, nYe;
    unsigned n1, n2, n3;
};

// The working memory of one warp: the warped source pixels, the prepared triangles and row work
// of every thread's run, and the stored-sample marks of every band.
struct CWarpScratch {
    std::vector<WarpedPixel> warped;
    std::vector<std::vector<TriangleRecord>> records;
    std::vector<std::vector<double>> rowDeltas;
    std::vector<std::vector<unsigned char>> stored;
};

// Lets the threads of one warp wait for each other between its phases.
class CPhaseBarrier {
public:
    explicit CPhaseBarrier(unsigned nThreads) : m_nThreads(nThreads) {}
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        const unsigned nGeneration = m_nGeneration;
        if (++m_nWaiting == m_nThreads) {
            m_nWaiting = 0;
            ++m_nGeneration;
            m_cv.notify_all();
            return;
        }
        m_cv.wait(lock, [&] { return m_nGeneration != nGeneration; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_nThreads, m_nWaiting = 0, m_nGeneration = 0;
};

// Helper threads started first, waiting at a gate until the work is laid out for the number
// that could actually be started: a thread the system refuses leaves its share to the others
// instead of ending the program. The helpers report into the scopes of the thread that made the
// team, so a warp inside a quiet scope stays quiet whichever thread meets a report.
class CThreadTeam {
public:
    explicit CThreadTeam(unsigned nWanted) : m_context(GetReportContext()) {
        for (unsigned nThread = 1; nThread < nWanted; ++nThread) {
            try {
                m_threads.emplace_back([this, nThread] { WaitAndWork(nThread); });
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    // Joins the helpers; those never given work leave at once.
    ~CThreadTeam() {
        Open(nullptr);
        for (std::thread& thread : m_threads)
            thread.join();
    }
    CThreadTeam(const CThreadTeam&) = delete;
    CThreadTeam& operator=(const CThreadTeam&) = delete;

    // The caller and the helpers that were started.
    unsigned Count() const { return static_cast<unsigned>(m_threads.size()) + 1; }

    // work(0) on the caller and work(n) on helper n, 1 <= n < Count(); returns when all are done.
    void Run(const std::function<void(unsigned)>& work) {
        Open(&work);
        work(0);
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

private:
    std::vector<std::thread> m_threads;
    ReportContext m_context;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bOpen = false;
    const std::function<void(unsigned)>* m_pWork = nullptr;

    void Open(const std::function<void(unsigned)>* pWork) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bOpen)
                return;
            m_bOpen = true;
            m_pWork = pWork;
        }
        m_cv.notify_all();
    }
    void WaitAndWork(unsigned nThread) {
        const std::function<void(unsigned)>* pWork;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cv.wait(lock, [&] { return m_bOpen; });
            pWork = m_pWork;
        }
        if (pWork) {
            const CReportHandover handover(m_context);
            (*pWork)(nThread);
        }
    }
};

// One warp of a traversal into a target grid; every phase is run by every thread with its own
// number.
class CSheetWarp {
public:
    CSheetWarp(const WarpSheet* pSheets, int nSheets, const CViewImage& source,
               const CViewImage& target, int xOff, int yOff, const WarpClip& clip,
               unsigned nThreads, CWarpScratch& scratch)
        : m_pSheets(pSheets), m_nSheets(nSheets), m_nSrcWidth(source.GetWidth()),
          m_nSrcHeight(source.GetHeight()), m_pSource(source.GetSamples()),
          m_pSamples(target.GetSamples()), m_pColours(target.GetColours()),
          m_nWidth(target.GetWidth()), m_nHeight(target.GetHeight()), m_nXOff(xOff), m_nYOff(yOff),
          m_clip(clip), m_nClipRows(clip.nRowHi - clip.nRowLo + 1), m_nThreads(nThreads),
          m_scratch(scratch), m_barrier(nThreads), m_tinyCounts(nThreads, 0), m_costs(nThreads, 0),
          m_k(ComputeWarpConstants(source.GetP(), target.GetP(), source.GetCOP(),
                                   target.GetCOP())) {
        for (int i = 0; i < nSheets; ++i)
            m_nTotalSteps += SheetSteps(pSheets[i]);
        m_scratch.warped.resize(static_cast<size_t>(m_nSrcWidth) * m_nSrcHeight);
        m_scratch.records.resize(nThreads);
        m_scratch.rowDeltas.resize(nThreads);
        m_scratch.stored.resize(nThreads);
        for (unsigned i = 0; i < nThreads; ++i)
            m_scratch.records[i].clear();
    }

    void Run(unsigned nThread) {
        WarpPixels(nThread);
        m_barrier.Wait();
        PrepareTriangles(nThread);
        m_barrier.Wait();
        // Every thread reads the same sum, so all of them skip the fill or none.
        if (Cost() <= GetWarpBudget())
            FillBand(nThread);
    }

    // The estimated cost of the fill: the sum of TriangleCost over the prepared triangles, the
    // same for any number of threads.
    long long Cost() const {
        long long nCost = 0;
        for (long long n : m_costs)
            nCost += n;
        return nCost;
    }

    // "Too TINY" as often as the bands counted it, in one report: a hostile move can count
    // billions, which one call per occurrence would take minutes to report.
    void ShowMessages() const {
        std::int64_t nTiny = 0;
        for (std::int64_t nBand : m_tinyCounts)
            nTiny += nBand;
        ShowMessageBox("Too TINY", nTiny);
    }

private:
    const WarpSheet* m_pSheets;
    int m_nSheets;
    int m_nSrcWidth, m_nSrcHeight;
    const PixelSample* m_pSource;
    PixelSample* m_pSamples;   // the target's grid: samples,
    unsigned char* m_pColours; // or colour bytes
    int m_nWidth, m_nHeight, m_nXOff, m_nYOff;
    WarpClip m_clip; // the positions filled, within the grid
    int m_nClipRows;
    unsigned m_nThreads;
    CWarpScratch& m_scratch;
    CPhaseBarrier m_barrier;
    std::vector<std::int64_t> m_tinyCounts;
    std::vector<long long> m_costs; // of every thread's run of triangles
    WarpConstants m_k;
    int m_nTotalSteps = 0;

    // Phase 1: this thread's rows of source pixels.
    void WarpPixels(unsigned nThread) {
        const int nRowLo = static_cast<int>(static_cast<long>(m_nSrcHeight) * nThread / m_nThreads);
        const int nRowHi =
            static_cast<int>(static_cast<long>(m_nSrcHeight) * (nThread + 1) / m_nThreads);
        for (int y = nRowLo; y < nRowHi; ++y)
            for (int x = 0; x < m_nSrcWidth; ++x) {
                const long i = static_cast<long>(y) * m_nSrcWidth + x;
                WarpedPixel& w = m_scratch.warped[static_cast<size_t>(i)];
                w.bUsable = ApplyWarp(m_k, x, y, m_pSource[i].disparity, &w.dX, &w.dY);
            }
    }

    // Phase 2: this thread's run of the traversal, in order.
    void PrepareTriangles(unsigned nThread) {
        const long nStepLo = static_cast<long>(m_nTotalSteps) * nThread / m_nThreads;
        const long nStepHi = static_cast<long>(m_nTotalSteps) * (nThread + 1) / m_nThreads;
        std::vector<TriangleRecord>& mine = m_scratch.records[nThread];
        std::vector<double>& delta = m_scratch.rowDeltas[nThread];
        delta.assign(static_cast<size_t>(m_nClipRows) + 1, 0.0);
        mine.reserve(static_cast<size_t>(nStepHi - nStepLo) * 2 * (m_nSrcHeight - 1));
        auto prepare = [&](int x1, int y1, int x2, int y2, int x3, int y3) {
            TriangleRecord r;
            if (Prepare(x1, y1, x2, y2, x3, y3, r)) {
                mine.push_back(r);
                m_costs[nThread] += TriangleCost(r.nXe - r.nXs + 1, r.nYe - r.nYs + 1);
                const double dWork = r.nXe - r.nXs + 1;
                delta[static_cast<size_t>(r.nYs - m_clip.nRowLo)] += dWork;
                delta[static_cast<size_t>(r.nYe - m_clip.nRowLo) + 1] -= dWork;
            }
        };
        long nStart = 0;
        for (int i = 0; i < m_nSheets; ++i) {
            const int nSteps = SheetSteps(m_pSheets[i]);
            if (nStart + nSteps > nStepLo && nStart < nStepHi)
                RunSheetSteps(m_pSheets[i], static_cast<int>(std::max(nStepLo - nStart, 0L)),
                              static_cast<int>(std::min(nStepHi - nStart, long(nSteps))), prepare);
            nStart += nSteps;
        }
    }

    // The record of a triangle that can write into the clip; false for one that cannot.
    bool Prepare(int x1, int y1, int x2, int y2, int x3, int y3, TriangleRecord& r) const {
        const unsigned i1 = static_cast<unsigned>(y1 * m_nSrcWidth + x1);
        const unsigned i2 = static_cast<unsigned>(y2 * m_nSrcWidth + x2);
        const unsigned i3 = static_cast<unsigned>(y3 * m_nSrcWidth + x3);
        const WarpedPixel& w1 = m_scratch.warped[i1];
        const WarpedPixel& w2 = m_scratch.warped[i2];
        const WarpedPixel& w3 = m_scratch.warped[i3];
        // A vertex without a position (in the plane of the new centre of projection, or behind
        // the new camera) would spread the triangle across the whole window.
        if (!w1.bUsable || !w2.bUsable || !w3.bUsable)
            return false;
        if (!TriangleBox(w1.dX, w1.dY, w2.dX, w2.dY, w3.dX, w3.dY, m_clip.nColLo, m_clip.nColHi,
                         m_clip.nRowLo, m_clip.nRowHi, &r.nXs, &r.nXe, &r.nYs, &r.nYe))
            return false;
        r.n1 = i1;
        r.n2 = i2;
        r.n3 = i3;
        return true;
    }

    // Phase 3: every thread splits the rows the same way and fills its band, if any, from the
    // last triangle to the first: the first store into a sample is the last of the forward
    // order, and it is final.
    void FillBand(unsigned nThread) {
        std::vector<int> firstRows;
        const int nBands =
            SplitRows(m_scratch.rowDeltas, m_clip.nRowLo, m_nClipRows, m_nThreads, firstRows);
        if (static_cast<int>(nThread) >= nBands)
            return;
        const int nBandLo = firstRows[nThread], nBandHi = firstRows[nThread + 1] - 1;
        // The grid's form is settled here, once per band: the fill itself has no branch on it.
        if (m_pColours)
            FillRecords(CColourRaster{ColourGrid{m_pColours}, m_nWidth, m_nHeight, m_nXOff, m_nYOff,
                                      nBandLo, nBandHi, &m_tinyCounts[nThread]},
                        nThread);
        else
            FillRecords(CTriangleRaster{SampleGrid{m_pSamples}, m_nWidth, m_nHeight, m_nXOff,
                                        m_nYOff, nBandLo, nBandHi, &m_tinyCounts[nThread]},
                        nThread);
    }

    // The band of the raster filled from the last triangle to the first.
    template <class TRaster> void FillRecords(const TRaster& raster, unsigned nThread) {
        const int nBandLo = raster.m_nRowLo, nBandHi = raster.m_nRowHi;
        std::vector<unsigned char>& stored = m_scratch.stored[nThread];
        // Marks of the columns up to the clip's last one (the raster counts them from xOff).
        stored.assign(static_cast<size_t>(nBandHi - nBandLo + 1) *
                          static_cast<size_t>(m_clip.nColHi - m_nXOff + 1),
                      0);
        const std::vector<WarpedPixel>& warped = m_scratch.warped;
        for (auto records = m_scratch.records.rbegin(); records != m_scratch.records.rend();
             ++records)
            for (auto rec = records->rbegin(); rec != records->rend(); ++rec) {
                const TriangleRecord& r = *rec;
                if (r.nYe < nBandLo || r.nYs > nBandHi)
                    continue;
                const WarpedPixel& w1 = warped[r.n1];
                const WarpedPixel& w2 = warped[r.n2];
                const WarpedPixel& w3 = warped[r.n3];
                const WarpedTriangle tri{w1.dX,
                                         w1.dY,
                                         w2.dX,
                                         w2.dY,
                                         w3.dX,
                                         w3.dY,
                                         &m_pSource[r.n1],
                                         &m_pSource[r.n2],
                                         &m_pSource[r.n3]};
                raster.Fill(tri, r.nXs, r.nXe, std::max(r.nYs, nBandLo), std::min(r.nYe, nBandHi),
                            stored.data());
            }
    }
};

} // namespace

int SplitRows(const std::vector<std::vector<double>>& rowDeltas, int nYOff, int nHeight,
              unsigned nBands, std::vector<int>& firstRows) {
    firstRows.assign(1, nYOff);
    if (nBands > 1 && nHeight >= 2 * kMinBandRows) {
        std::vector<double> rowWork(static_cast<size_t>(nHeight), 0.0);
        double dRow = 0.0, dTotal = 0.0;
        for (int r = 0; r < nHeight; ++r) {
            for (const std::vector<double>& delta : rowDeltas)
                dRow += delta[static_cast<size_t>(r)];
            rowWork[static_cast<size_t>(r)] = dRow;
            dTotal += dRow;
        }
        double dSeen = 0.0;
        unsigned nNext = 1;
        for (int r = 0; r < nHeight && nNext < nBands; ++r) {
            dSeen += rowWork[static_cast<size_t>(r)];
            const int nBandRows = r + 1 - (firstRows.back() - nYOff);
            if (dSeen * nBands >= dTotal * nNext && nBandRows >= kMinBandRows &&
                nHeight - (r + 1) >= kMinBandRows) {
                firstRows.push_back(nYOff + r + 1);
                ++nNext;
            }
        }
    }
    firstRows.push_back(nYOff + nHeight);
    return static_cast<int>(firstRows.size()) - 1;
}

void SetWarpBudget(long long nBudget) {
    g_nWarpBudget = nBudget > 0 ? nBudget : kDefaultWarpBudget;
}

long long GetWarpBudget() {
    return g_nWarpBudget;
}

long long WarpSheets(const WarpSheet* pSheets, int nSheets, const CViewImage& source,
                     const CViewImage& target, int xOff, int yOff, const WarpClip& clip) {
    if (clip.IsEmpty())
        return 0;
    // The working memory of a warp is kept by the calling thread for its next warp: freed and
    // allocated afresh, its pages (and those of the grid below it) went back to the system and
    // were faulted in again on every warp, which cost about as much as a small warp itself.
    static thread_local CWarpScratch scratch;
    CThreadTeam team(GetWarpThreads());
    CSheetWarp warp(pSheets, nSheets, source, target, xOff, yOff, clip, team.Count(), scratch);
    team.Run([&warp](unsigned nThread) { warp.Run(nThread); });
    if (warp.Cost() > GetWarpBudget())
        return warp.Cost();
    warp.ShowMessages();
    return 0;
}
