#include "ui/LiveRenderer.h"

#include <chrono>
#include <utility>

#include "framework/Services.h"

ByteColour LiveUnwrittenColour(bool bMark) {
    return bMark ? ByteColour{kDisoccludedColour[0], kDisoccludedColour[1], kDisoccludedColour[2]}
                 : ByteColour{0, 0, 0};
}

CLiveRenderer::CLiveRenderer(QObject* pParent) : QObject(pParent) {}

CLiveRenderer::~CLiveRenderer() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bQuit = true;
        m_bPending = false;
    }
    m_Wake.notify_all();
    if (m_Worker.joinable())
        m_Worker.join();
}

std::uint64_t CLiveRenderer::Request(const CViewImage* pSource, const LiveRequest& request) {
    std::uint64_t nSerial;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        nSerial = m_nNextSerial++;
        m_Pending = request;
        m_Pending.nSerial = nSerial;
        m_pSource = pSource;
        m_bPending = pSource != nullptr;
        if (!m_Worker.joinable())
            m_Worker = std::thread([this] { Run(); });
    }
    m_Wake.notify_one();
    return nSerial;
}

void CLiveRenderer::Stop() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_bPending = false;
    m_nDropBefore = m_nNextSerial;
    m_Idle.wait(lock, [this] { return !m_bWorking; });
    m_pSource = nullptr;
    m_bFrameReady = false;
}

bool CLiveRenderer::TakeFrame(LiveFrame& frame) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_bFrameReady)
        return false;
    frame = std::move(m_Finished);
    m_bFrameReady = false;
    return true;
}

bool CLiveRenderer::IsBusy() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_bPending || m_bWorking;
}

void CLiveRenderer::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_bQuit || m_bPending; });
        if (m_bQuit)
            return;
        const LiveRequest request = m_Pending;
        const CViewImage* pSource = m_pSource;
        m_bPending = false;
        m_bWorking = true;
        lock.unlock();

        LiveFrame frame;
        frame.request = request;
        const auto start = std::chrono::steady_clock::now();
        {
            // The worker's messages (a too costly move, "Too TINY") are counted in the frame's
            // report, never shown: a drag must not raise message boxes. The warp writes the
            // frame's bytes itself (the overlay included), never forming the doubles.
            CQuietScope quiet;
            CViewImage image(request.pose.cop, request.pose.P, *pSource, request.nX0, request.nY0,
                             request.nWidth, request.nHeight, EWarpGrid::Colours,
                             LiveUnwrittenColour(request.bMarkDisoccluded));
            frame.report = image.GetWarpReport();
            const unsigned char* pColours = image.GetColours();
            if (pColours)
                frame.bytes.assign(pColours, pColours + static_cast<size_t>(image.GetWidth()) *
                                                            image.GetHeight() * 3u);
        }
        frame.nWarpNanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count();

        lock.lock();
        m_bWorking = false;
        const bool bDeliver = request.nSerial >= m_nDropBefore;
        if (bDeliver) {
            m_Finished = std::move(frame);
            m_bFrameReady = true;
        }
        m_Idle.notify_all();
        if (bDeliver) {
            lock.unlock();
            emit FrameReady();
            lock.lock();
        }
    }
}
