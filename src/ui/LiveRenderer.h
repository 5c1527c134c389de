// CLiveRenderer: the warps of live navigation on a worker thread. The view asks for a frame
// whenever the camera or the visible window changes; the newest request wins and requests that
// were overtaken before their warp started are dropped, so a fast drag never queues work. The
// GUI thread never waits for a warp (only Stop waits for the one in progress, before the source
// image goes away); a finished frame is announced by FrameReady and taken with TakeFrame, so
// the picture on the screen is always a whole warp.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include <QObject>

#include "image/ViewImage.h"
#include "warp/Navigation.h"

// One frame to render: the camera, the window of its image plane (plane columns nX0 ..
// nX0 + nWidth - 1, rows nY0 .. nY0 + nHeight - 1) and whether positions that no triangle wrote
// are shown in kDisoccludedColour instead of black.
struct LiveRequest {
    CameraPose pose;
    int nX0 = 0, nY0 = 0, nWidth = 0, nHeight = 0;
    bool bMarkDisoccluded = false;
    std::uint64_t nSerial = 0; // set by Request
};

// A finished frame: the display bytes of the window (nWidth x nHeight pixels of red, green, blue,
// row 0 first; empty when the window could not be warped) and how its warp went.
struct LiveFrame {
    LiveRequest request;
    std::vector<unsigned char> bytes;
    WarpReport report;
    long long nWarpNanoseconds = 0;
};

// Magenta: no scene colour is meant to look like it, and it is visible on black and white alike.
constexpr unsigned char kDisoccludedColour[3] = {255, 0, 255};

// The colour a live frame's warp into bytes gives the positions no triangle wrote: with bMark
// kDisoccludedColour, black otherwise (the whole warp's bytes).
ByteColour LiveUnwrittenColour(bool bMark);

class CLiveRenderer : public QObject {
    Q_OBJECT
public:
    explicit CLiveRenderer(QObject* pParent = nullptr);
    // Stops the worker (waiting for a warp in progress).
    ~CLiveRenderer() override;

    // Asks for a frame of pSource (which must stay alive until Stop, or until a later request
    // names another source and this one's frame has been delivered or dropped). Returns the
    // request's serial number; a later request overtakes this one.
    std::uint64_t Request(const CViewImage* pSource, const LiveRequest& request);
    // Drops any request not yet started and waits for the warp in progress to end; afterwards no
    // source is in use and no frame is pending. Called before the source image is replaced.
    void Stop();
    // Moves the newest finished frame into frame and returns true, or returns false when there is
    // none since the last call.
    bool TakeFrame(LiveFrame& frame);
    // Whether a request is waiting or being warped.
    bool IsBusy() const;

signals:
    // A frame has finished (sent from the worker thread; connections to GUI objects are queued).
    void FrameReady();

private:
    void Run();

    mutable std::mutex m_Mutex;
    std::condition_variable m_Wake; // a request, or the end
    std::condition_variable m_Idle; // the worker finished a warp
    std::thread m_Worker;
    bool m_bQuit = false;
    bool m_bPending = false;
    bool m_bWorking = false;
    bool m_bFrameReady = false;
    const CViewImage* m_pSource = nullptr;
    LiveRequest m_Pending;
    LiveFrame m_Finished;
    std::uint64_t m_nNextSerial = 1;
    std::uint64_t m_nDropBefore = 0; // frames of requests older than this are not delivered
};
