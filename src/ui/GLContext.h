// CGLContext binds OpenGL to one window: a fixed double-buffered RGBA format with a depth
// buffer, a rendering context made current once and kept current for the window's life, the
// initial GL state, the buffer swap and the renderer information.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QOpenGLContext;
class QWindow;

// The pixel format the window asks for, in the layout of a classic 40-byte pixel format
// descriptor: RGBA, 24 colour bits, 24 depth bits, double-buffered, drawn to a window.
struct PixelFormatDescriptor {
    std::uint16_t nSize;
    std::uint16_t nVersion;
    std::uint32_t dwFlags;
    std::uint8_t iPixelType;
    std::uint8_t cColorBits;
    std::uint8_t cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    std::uint8_t cAlphaBits, cAlphaShift;
    std::uint8_t cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    std::uint8_t cDepthBits;
    std::uint8_t cStencilBits;
    std::uint8_t cAuxBuffers;
    std::uint8_t iLayerType;
    std::uint8_t bReserved;
    std::uint32_t dwLayerMask;
    std::uint32_t dwVisibleMask;
    std::uint32_t dwDamageMask;
};
static_assert(sizeof(PixelFormatDescriptor) == 40, "the descriptor has the classic layout");

enum : std::uint32_t {
    PFD_DOUBLEBUFFER = 0x1,
    PFD_DRAW_TO_WINDOW = 0x4,
    PFD_SUPPORT_OPENGL = 0x20,
    PFD_GENERIC_FORMAT = 0x40,
    PFD_GENERIC_ACCELERATED = 0x1000,
};

// The window side of the context: the native window drawn into. Deleting it lets go of the
// window (the window itself belongs to the view).
class CWindowSurface {
public:
    explicit CWindowSurface(QWindow* pWindow) : m_pWindow(pWindow) {}
    QWindow* GetWindow() const { return m_pWindow; }

private:
    QWindow* m_pWindow;
};

class CGLContext {
public:
    // No context: format 0, no surface, no context, no strings, no extension names.
    CGLContext();
    // Frees the extensions copy and the names. Leaves the context and the surface alone; that
    // is DestroyContext's work.
    virtual ~CGLContext();
    CGLContext(const CGLContext&) = delete;
    CGLContext& operator=(const CGLContext&) = delete;

    // Gives pWindow the fixed format, makes a GL context on it and makes it current. Returns
    // true when the window has a current context. Each failure writes one trace line and
    // leaves what was made so far in the members.
    bool CreateContext(QWindow* pWindow);
    // Sets the fixed format on the window (creating its native window). True when set.
    virtual bool SetupPixelFormat();
    // Gathers the renderer information and sets the initial GL state (black clear colour with
    // alpha 0, clear depth 1.0, depth test on). Needs the current context.
    virtual void InitGL();
    // Finishes the frame and presents it. A failure writes "SwapBuffers Failed! %d\r\n".
    void SwapGLBuffers();
    // Deletes the context (a missing one writes one trace line) and the surface object.
    void DestroyContext();
    // Renderer strings, the acceleration kind and the extension names; called by InitGL.
    void QueryGLInfo();

    // Makes the context current again if something else took the thread. True when this
    // object's context is current afterwards.
    bool MakeCurrent();

    // The extension list cut into names: every single space separates two names, so a
    // trailing space gives an empty last name and an empty string one empty name.
    static std::vector<std::string> CutExtensionNames(const char* pszExtensions);
    // The acceleration kind of a format with dwFlags: neither generic flag 2 (hardware
    // driver), both 1 (generic accelerated), one alone 0 (generic, software).
    static int AccelerationFromFlags(std::uint32_t dwFlags);
    // The flags this platform reports for a renderer: a software rasteriser (llvmpipe,
    // softpipe, swrast, ...) is the generic format, anything else a hardware driver.
    static std::uint32_t FormatFlagsForRenderer(const char* pszRenderer);

    static const PixelFormatDescriptor s_PixelFormatDescriptor;

    int m_nPixelFormat;
    CWindowSurface* m_pDC;
    QOpenGLContext* m_hRC;
    const char* m_pszVendor;
    const char* m_pszRenderer;
    const char* m_pszVersion;
    char* m_pszExtensions;
    std::vector<std::string> m_ExtensionNames;
    int m_nAcceleration;

private:
    // Fills *pDescriptor with the format the context actually got. False without a context.
    bool DescribePixelFormat(PixelFormatDescriptor* pDescriptor) const;
};
