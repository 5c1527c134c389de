// CViewImage: one view of a scene, a grid of pixel samples (colour and generalized disparity)
// or, for a warped image that is only shown or written, a grid of colour bytes, with the pinhole
// camera that took it and fourteen scene values. The data-file reader and the
// BMP writer live in image/; the camera moves and the warp are members defined in warp/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One pixel: colours on a 0 to 255 scale, then the generalized disparity.
struct PixelSample {
    double red;
    double green;
    double blue;
    double disparity;
};

// Numbers in a complete data file: 26 header values and 40,000 records of six.
constexpr long kDataFileNumbers = 26 + 6L * 200 * 200;

// How a data file was read. The reader only fills this in; telling the user is the caller's job.
struct LoadReport {
    bool bOpened = false;     // the file could be opened for reading
    long nNumbersRead = 0;    // conversions that succeeded, of kDataFileNumbers
    long nRecordsOutside = 0; // complete records whose x or y lay outside 0..199 (not stored)
    bool bBadToken = false;   // reading stopped at a token that is not a number
    bool IsComplete() const { return bOpened && nNumbersRead == kDataFileNumbers; }
};

// What one warp did, for the caller to report (filled by the camera-move constructors).
struct WarpReport {
    int nZone = 0;            // signed zone id used for the traversal
    int nEx = 0, nEy = 0;     // rounded epipole
    double dW = 0.0;          // W value of the epipole
    bool bDegenerate = false; // |W| <= 1e-20: the fallback order was used
    int nXOff = 0, nYOff = 0; // new-plane coordinates of column 0 and row 0
    bool bCut = false;        // the grid was cut to its maximum size
    bool bTooCostly = false;  // the fill was over the warp budget: nothing was drawn
    struct Message {
        std::string strText;
        std::int64_t nCount; // one warp can count a message billions of times
    };
    std::vector<Message> messages; // every message box text met during the warp, with counts
};

// A colour as a display or file byte: truncation toward zero, then the low 8 bits (255.9 gives
// 255, 256.0 gives 0, -1.0 gives 255). Values beyond the int range keep the rule (the low 8 bits
// of the truncated value); NaN and infinities give 0.
unsigned char ColourToByte(double dValue);

// The grid a warp fills. Samples: four doubles per position (PixelSample), as a source holds
// them. Colours: three bytes per position, each exactly ColourToByte of the double the samples
// form would hold (32 bytes become 3: what the display and the image files need).
enum class EWarpGrid { Samples, Colours };

// A colour of the byte grid.
struct ByteColour {
    unsigned char red, green, blue;
};

struct EpipoleInfo;
struct WarpSheet;
struct WarpClip;

class CViewImage {
public:
    // Empty file name, no grid, zero size; camera and scene values 0.0.
    CViewImage();
    // Reads a data file. If pReport is given it says how the reading went.
    explicit CViewImage(const char* pszPath, LoadReport* pReport = nullptr);
    // Free move: the source camera turned by the three angles (degrees) and moved to the
    // absolute position, then the whole warp of the source image.
    CViewImage(double rotX, double rotY, double rotZ, const double position[3],
               const CViewImage& source);
    // Focus move: the centre of projection turned about the centre of the scene bounds and its
    // distance scaled by zoom, then the whole warp of the source image.
    CViewImage(double rotX, double rotY, double rotZ, double zoom, const CViewImage& source);
    // Pose move: exactly this camera (centre of projection, matrix with the columns a, b, c),
    // then the whole warp of the source image. A pose built by BuildFreeMoveCamera or
    // BuildFocusMoveCamera gives the very grid and report of that move.
    // With eGrid Colours the image holds the bytes of that grid instead (GetColours), formed
    // directly by the warp.
    CViewImage(const double cop[3], const double P[3][3], const CViewImage& source,
               EWarpGrid eGrid = EWarpGrid::Samples);
    // Windowed pose move, for live views: the camera as above, warped into the window of the new
    // image plane with the columns nX0..nX0 + nWidth - 1 and rows nY0..nY0 + nHeight - 1 (plane
    // coordinates as WarpReport's nXOff and nYOff: column i of the whole warp's grid is plane
    // column nXOff + i). The grid is nWidth x nHeight, and the report says nXOff = nX0, nYOff =
    // nY0 and otherwise what the whole warp's says.
    // - A position inside both the window and the whole warp's window (the one SetupWarp sizes,
    //   cut included) has the whole warp's colours bit for bit, except that where no triangle
    //   wrote, red, green and blue are NaN (ColourToByte gives 0, the whole warp's black): the
    //   disocclusions. Positions outside the whole warp's window stay 0.0, 0.0, 0.0. The
    //   disparity is 1.0 everywhere.
    // - Only the positions of the window are filled and counted: "Too TINY" counts and the
    //   budget estimate are those of the triangles' boxes clipped to it.
    // - nWidth or nHeight <= 0, a side over kMaxWindowSide or an area over kMaxWindowArea is
    //   refused: the grid stays empty (0 x 0, nothing allocated), nothing is warped and a
    //   message says why.
    // - With eGrid Colours the image holds bytes (GetColours): where the samples form has NaN
    //   (no triangle wrote) they are unwritten, elsewhere ColourToByte of the samples form's
    //   colours (black outside the whole warp's window). Black as unwritten gives the whole
    //   warp's bytes; a viewer can pass an overlay colour for the disocclusions. unwritten is
    //   not used for the samples form.
    // Runs on any thread, also beside other warps; run it inside a CQuietScope on a worker
    // thread so that its messages are only counted.
    CViewImage(const double cop[3], const double P[3][3], const CViewImage& source, int nX0,
               int nY0, int nWidth, int nHeight, EWarpGrid eGrid = EWarpGrid::Samples,
               ByteColour unwritten = ByteColour{0, 0, 0});
    virtual ~CViewImage();

    CViewImage(const CViewImage&) = delete;
    CViewImage& operator=(const CViewImage&) = delete;

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    // An image holds at most one grid: samples, or colour bytes (a warped image built with
    // EWarpGrid::Colours). Sources (data files, imports) always hold samples; an image with
    // colours has GetSamples() null and is no warp source (IsWarpableSource is false).
    //
    // The sample grid (may be null); sample (x, y) is element y * width + x.
    PixelSample* GetSamples() const { return m_pSamples; }
    // The colour grid (may be null): red, green, blue of position (x, y) at (y * width + x) * 3.
    unsigned char* GetColours() const { return m_pColours; }
    // Either grid: something to show or write.
    bool HasGrid() const { return m_pSamples != nullptr || m_pColours != nullptr; }
    void SetWidth(int nWidth) { m_nWidth = nWidth; }
    void SetHeight(int nHeight) { m_nHeight = nHeight; }
    // Frees the current grid (either form) and takes ownership of pSamples (allocated with
    // new[]). No size check.
    void SetSamples(PixelSample* pSamples);
    // Frees the current grid (either form) and takes ownership of pColours (allocated with new[],
    // width * height * 3 bytes). No size check.
    void SetColours(unsigned char* pColours);

    // Writes the colours as an uncompressed 24-bit BMP. A regular file is written through a
    // temporary file in the same folder and renamed over the target only when complete; a
    // device or pipe is written directly. Returns false (and traces) when nothing or not all
    // was written; an image without a grid writes nothing.
    bool WriteBmp(const char* pszPath) const;
    // The same bytes, into memory. False for an image without a grid or a negative size.
    bool EncodeBmp(std::vector<unsigned char>& bytes) const;

    // The display bytes of the image: width x height pixels of red, green, blue (ColourToByte),
    // rows packed without fill bytes, row 0 first; pBytes holds width * height * 3 bytes. The
    // grid is walked in storage order (a colour grid is copied as it is). Needs a grid.
    void WriteDisplayBytes(unsigned char* pBytes) const;

    const std::string& GetFileName() const { return m_strFileName; }
    void SetFileName(const std::string& strName) { m_strFileName = strName; }
    const double* GetCOP() const { return m_COP; }
    const double (*GetP() const)[3] { return m_P; }
    const double* GetSceneBounds() const { return m_SceneBounds; }
    const double* GetSceneExtra() const { return m_SceneExtra; }
    // For tools and tests that build an image in memory.
    void SetCamera(const double cop[3], const double P[3][3]);
    void SetSceneValues(const double bounds[6], const double extra[8]);

    const WarpReport& GetWarpReport() const { return m_WarpReport; }

    // ---- warping engine (warp/) ----
    // Largest warped grid along each axis for a source of up to 1024 samples a side (a larger
    // source allows twice its larger side, see MaxWarpSide); a larger warped border is cut to
    // it.
    static constexpr int kMaxWarpSide = 2048;
    // The largest source side the warp takes.
    static constexpr int kMaxSourceSide = 4096;
    // The largest window of a windowed warp: each side, and positions in all (512 MB of samples).
    static constexpr int kMaxWindowSide = 8192;
    static constexpr long kMaxWindowArea = 1L << 24;

    // The warping equation for one reference pixel. Returns false (and *outX, *outY are NaN)
    // when the point is unusable: |D| <= 1e-20, or the point is not in front of the new camera.
    bool WarpPixel(double u, double v, const double refP[3][3], const double desP[3][3],
                   const double refCOP[3], const double desCOP[3], double disparity, double* outX,
                   double* outY) const;
    // Runs the sheets of one zone row; an id outside +-1..9 shows "Wrong Zone id".
    void TraverseZone(const CViewImage& source, int nZone, int ex, int ey, int xOff, int yOff);
    // Box spanned by the usable warped border pixels of a source grid of nSrcWidth x
    // nSrcHeight, always containing (0, 0).
    void ComputeWarpBounds(const double srcP[3][3], const double newP[3][3], const double srcCOP[3],
                           const double newCOP[3], const PixelSample* pSource, double* minX,
                           double* maxX, double* minY, double* maxY, int nSrcWidth = 200,
                           int nSrcHeight = 200) const;
    // The window of the new grid from the box of the warped border (which holds the origin):
    // xOff = trunc(minX - 1), xHi = trunc(maxX + 1), width = xHi - xOff + 1, likewise for y.
    // Bounds beyond the range nCentre - (nMaxSide / 2 - 1)..nCentre + nMaxSide / 2 - 2 (per axis)
    // are clamped into it first so that neither side exceeds nMaxSide; returns true when that
    // cut the window. The range is centred on the plane origin (nCentre 0) unless the source is
    // too large to fit it with room around (see WarpRangeCentre).
    static bool WarpWindow(double minX, double maxX, double minY, double maxY, int* xOff, int* yOff,
                           int* nWidth, int* nHeight, int nMaxSide = kMaxWarpSide, int nCentreX = 0,
                           int nCentreY = 0);
    // Sizes, allocates, clears and fills the grid of this (new) image from the source, whose
    // grid must be usable (IsWarpableSource; otherwise the new image gets a cleared 3 x 3 grid
    // and nothing is drawn). Bounds beyond MaxWarpSide are cut, with one message box. Fills the
    // zone, ex, ey, offsets and bCut of the warp report; runs in the caller's message scope.
    // eGrid chooses the grid formed (the bytes of a Colours grid are those of the samples).
    void SetupWarp(const CViewImage& source, int nZone, int ex, int ey,
                   EWarpGrid eGrid = EWarpGrid::Samples);
    // SetupWarp into the window nX0, nY0, nWidth x nHeight of the new plane (see the windowed
    // pose move, also for eGrid and unwritten); a refused window leaves an empty grid.
    void SetupWindowWarp(const CViewImage& source, int nZone, int ex, int ey, int nX0, int nY0,
                         int nWidth, int nHeight, EWarpGrid eGrid = EWarpGrid::Samples,
                         ByteColour unwritten = ByteColour{0, 0, 0});

    // ---- test seams of the warping engine ----
    // The warp itself draws through TraverseZone; these single steps of it are public so that
    // tests can drive them one by one. WarpTriangle draws into a sample grid only (on an image
    // with colours it draws nothing), and so do the sheet traversals whenever they fall back to
    // it (sheets reaching beyond the source grid); on the source grid they draw either form.
    //
    // The smallest and largest x and y of three points (pairwise extremes, points 1 and 2
    // first).
    void TriangleBounds(double x1, double y1, double x2, double y2, double x3, double y3,
                        double* minX, double* maxX, double* minY, double* maxY) const;
    // One triangle of three source pixels warped and drawn into this image's grid.
    void WarpTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int xOff, int yOff,
                      const CViewImage& reference);
    // One sheet traversal over the source rectangle (x0, y0)..(x1, y1).
    void TraverseXIncYInc(const CViewImage& source, int x0, int y0, int x1, int y1, int xOff,
                          int yOff);
    void TraverseXDecYInc(const CViewImage& source, int x0, int y0, int x1, int y1, int xOff,
                          int yOff);
    void TraverseXDecYDec(const CViewImage& source, int x0, int y0, int x1, int y1, int xOff,
                          int yOff);
    void TraverseXIncYDec(const CViewImage& source, int x0, int y0, int x1, int y1, int xOff,
                          int yOff);
    // While a recorder is set, the sheet traversals append every triangle call (vertices in
    // the order passed) to it instead of drawing the triangle.
    struct TriangleCall {
        int x1, y1, x2, y2, x3, y3;
    };
    void SetTriangleRecorder(std::vector<TriangleCall>* pCalls) { m_pTriangleRecorder = pCalls; }

private:
    int m_nWidth;
    int m_nHeight;
    PixelSample* m_pSamples;
    unsigned char* m_pColours;
    std::string m_strFileName;
    double m_COP[3];
    double m_P[3][3];
    double m_SceneBounds[6];
    double m_SceneExtra[8];
    WarpReport m_WarpReport;
    std::vector<TriangleCall>* m_pTriangleRecorder = nullptr;

    void InitFields();
    // Last steps of every move: scene values copied, report filled, SetupWarp run (or
    // SetupWindowWarp for the window *pWindow: x0, y0, width, height).
    void FinishMove(const CViewImage& source, const EpipoleInfo& info, const int* pWindow = nullptr,
                    EWarpGrid eGrid = EWarpGrid::Samples,
                    ByteColour unwritten = ByteColour{0, 0, 0});
    // The steps of the pose moves before FinishMove: camera taken, epipole classified.
    EpipoleInfo StartPoseMove(const double cop[3], const double P[3][3], const CViewImage& source);
    // Sheets in order: their triangles recorded when a recorder is set, drawn otherwise (every
    // source pixel warped once for all of them) at the positions of *pClip (the whole grid when
    // null).
    void DrawSheets(const CViewImage& source, const WarpSheet* pSheets, int nSheets, int xOff,
                    int yOff, const WarpClip* pClip = nullptr);
};
