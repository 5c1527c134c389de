#include "ui/GLContext.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

#include <GL/gl.h>

#include "framework/Services.h"

namespace {

// The platform's code for the last failure. Qt's context calls give no code of their own, so
// this is the C library's errno at the time of the failure.
int LastPlatformError() {
    return errno;
}

QSurfaceFormat FormatFromDescriptor(const PixelFormatDescriptor& pfd) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    // glDrawPixels and the fixed-function matrices need the compatibility profile.
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    const int nChannel = pfd.cColorBits / 3;
    format.setRedBufferSize(nChannel);
    format.setGreenBufferSize(nChannel);
    format.setBlueBufferSize(nChannel);
    format.setAlphaBufferSize(pfd.cAlphaBits);
    format.setDepthBufferSize(pfd.cDepthBits);
    format.setStencilBufferSize(pfd.cStencilBits);
    format.setSwapBehavior((pfd.dwFlags & PFD_DOUBLEBUFFER) ? QSurfaceFormat::DoubleBuffer
                                                            : QSurfaceFormat::SingleBuffer);
    return format;
}

} // namespace

const PixelFormatDescriptor CGLContext::s_PixelFormatDescriptor = {
    40,                                                         // nSize
    1,                                                          // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, // dwFlags
    0,                                                          // iPixelType: RGBA
    24,                                                         // cColorBits
    0,
    0,
    0,
    0,
    0,
    0, // colour bits and shifts
    0,
    0, // alpha
    0,
    0,
    0,
    0,
    0,  // accumulation
    24, // cDepthBits
    0,  // cStencilBits
    0,  // cAuxBuffers
    0,  // iLayerType: main plane
    0,
    0,
    0,
    0, // reserved and masks
};

CGLContext::CGLContext()
    : m_nPixelFormat(0), m_pDC(nullptr), m_hRC(nullptr), m_pszVendor(nullptr),
      m_pszRenderer(nullptr), m_pszVersion(nullptr), m_pszExtensions(nullptr), m_nAcceleration(0) {}

CGLContext::~CGLContext() {
    std::free(m_pszExtensions);
    m_pszExtensions = nullptr;
    m_ExtensionNames.clear();
}

bool CGLContext::CreateContext(QWindow* pWindow) {
    m_pDC = pWindow ? new (std::nothrow) CWindowSurface(pWindow) : nullptr;
    if (!m_pDC) {
        TraceLine("CClientDC construction Failed! %d\r\n", LastPlatformError());
        return false;
    }
    if (!SetupPixelFormat())
        return false;

    m_hRC = new QOpenGLContext();
    m_hRC->setFormat(pWindow->requestedFormat());
    if (!m_hRC->create()) {
        const int nError = LastPlatformError();
        delete m_hRC;
        m_hRC = nullptr;
        TraceLine("wglCreateContext Failed! %d\r\n", nError);
        return false;
    }
    if (!m_hRC->makeCurrent(pWindow)) {
        TraceLine("wglMakeCurrent Failed! %d\r\n", LastPlatformError());
        return false;
    }
    return true;
}

bool CGLContext::SetupPixelFormat() {
    QWindow* pWindow = m_pDC ? m_pDC->GetWindow() : nullptr;
    // There is one format per window on this platform: the requested one, index 1.
    m_nPixelFormat = (pWindow && s_PixelFormatDescriptor.iPixelType == 0) ? 1 : 0;
    if (m_nPixelFormat == 0) {
        TraceLine("ChoosePixelFormat Failed! %d\r\n", LastPlatformError());
        return false;
    }
    // The format can only be given before the native window exists.
    if (!pWindow->handle()) {
        pWindow->setSurfaceType(QSurface::OpenGLSurface);
        pWindow->setFormat(FormatFromDescriptor(s_PixelFormatDescriptor));
        pWindow->create();
    }
    if (!pWindow->handle() || pWindow->surfaceType() != QSurface::OpenGLSurface) {
        TraceLine("SetPixelFormat Failed! %d\r\n", LastPlatformError());
        return false;
    }
    return true;
}

bool CGLContext::MakeCurrent() {
    if (!m_hRC || !m_pDC || !m_hRC->isValid())
        return false;
    if (QOpenGLContext::currentContext() == m_hRC)
        return true;
    return m_hRC->makeCurrent(m_pDC->GetWindow());
}

void CGLContext::InitGL() {
    QueryGLInfo();
    if (!MakeCurrent())
        return;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
}

bool CGLContext::DescribePixelFormat(PixelFormatDescriptor* pDescriptor) const {
    *pDescriptor = PixelFormatDescriptor();
    pDescriptor->nSize = sizeof(PixelFormatDescriptor);
    pDescriptor->nVersion = 1;
    if (!m_hRC || !m_hRC->isValid() || m_nPixelFormat == 0)
        return false;
    const QSurfaceFormat format = m_hRC->format();
    pDescriptor->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (format.swapBehavior() != QSurfaceFormat::SingleBuffer)
        pDescriptor->dwFlags |= PFD_DOUBLEBUFFER;
    const GLubyte* pRenderer =
        QOpenGLContext::currentContext() == m_hRC ? glGetString(GL_RENDERER) : nullptr;
    pDescriptor->dwFlags |= FormatFlagsForRenderer(reinterpret_cast<const char*>(pRenderer));
    pDescriptor->cRedBits = std::uint8_t(format.redBufferSize());
    pDescriptor->cGreenBits = std::uint8_t(format.greenBufferSize());
    pDescriptor->cBlueBits = std::uint8_t(format.blueBufferSize());
    pDescriptor->cColorBits =
        std::uint8_t(format.redBufferSize() + format.greenBufferSize() + format.blueBufferSize());
    pDescriptor->cAlphaBits =
        std::uint8_t(format.alphaBufferSize() < 0 ? 0 : format.alphaBufferSize());
    pDescriptor->cDepthBits =
        std::uint8_t(format.depthBufferSize() < 0 ? 0 : format.depthBufferSize());
    pDescriptor->cStencilBits =
        std::uint8_t(format.stencilBufferSize() < 0 ? 0 : format.stencilBufferSize());
    return true;
}

int CGLContext::AccelerationFromFlags(std::uint32_t dwFlags) {
    const std::uint32_t f = dwFlags & (PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED);
    if (f == 0)
        return 2;
    if (f == (PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED))
        return 1;
    return 0;
}

std::uint32_t CGLContext::FormatFlagsForRenderer(const char* pszRenderer) {
    if (!pszRenderer)
        return PFD_GENERIC_FORMAT; // nothing known: assume the generic format
    static const char* const s_SoftwareRenderers[] = {
        "llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR", "lavapipe"};
    for (const char* pszName : s_SoftwareRenderers) {
        if (std::strstr(pszRenderer, pszName))
            return PFD_GENERIC_FORMAT;
    }
    return 0;
}

std::vector<std::string> CGLContext::CutExtensionNames(const char* pszExtensions) {
    std::vector<std::string> names;
    const char* pszStart = pszExtensions ? pszExtensions : "";
    for (;;) {
        const char* pszEnd = std::strchr(pszStart, ' ');
        if (!pszEnd) {
            names.emplace_back(pszStart);
            return names;
        }
        names.emplace_back(pszStart, std::size_t(pszEnd - pszStart));
        pszStart = pszEnd + 1;
    }
}

void CGLContext::QueryGLInfo() {
    PixelFormatDescriptor pfd;
    DescribePixelFormat(&pfd);
    m_nAcceleration = AccelerationFromFlags(pfd.dwFlags);

    const bool bCurrent = MakeCurrent();
    m_pszVendor = bCurrent ? reinterpret_cast<const char*>(glGetString(GL_VENDOR)) : nullptr;
    m_pszRenderer = bCurrent ? reinterpret_cast<const char*>(glGetString(GL_RENDERER)) : nullptr;
    m_pszVersion = bCurrent ? reinterpret_cast<const char*>(glGetString(GL_VERSION)) : nullptr;
    const char* pszExtensions =
        bCurrent ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr;

    // A second run replaces the first one's copy and names.
    std::free(m_pszExtensions);
    m_pszExtensions = nullptr;
    m_ExtensionNames.clear();
    if (!pszExtensions)
        return; // no current context: nothing to cut

    const std::size_t nLength = std::strlen(pszExtensions);
    m_pszExtensions = static_cast<char*>(std::malloc(nLength + 1));
    if (!m_pszExtensions) {
        TraceLine("Couldn't allocate memory for the extension list.\n");
        return;
    }
    std::memcpy(m_pszExtensions, pszExtensions, nLength + 1);
    // The copy is cut in place: each separating space becomes a terminator.
    m_ExtensionNames = CutExtensionNames(m_pszExtensions);
    for (char* p = m_pszExtensions; *p; ++p) {
        if (*p == ' ')
            *p = '\0';
    }
}

void CGLContext::SwapGLBuffers() {
    const bool bCurrent = MakeCurrent();
    if (bCurrent)
        glFinish();
    QWindow* pWindow = m_pDC ? m_pDC->GetWindow() : nullptr;
    if (!bCurrent || !pWindow || !pWindow->isExposed()) {
        TraceLine("SwapBuffers Failed! %d\r\n", LastPlatformError());
        return;
    }
    m_hRC->swapBuffers(pWindow);
}

void CGLContext::DestroyContext() {
    if (m_hRC) {
        // Deleted while still current; Qt releases it from the thread first.
        delete m_hRC;
        m_hRC = nullptr;
    } else {
        TraceLine("wglDeleteContex Failed! %d\r\n", LastPlatformError());
    }
    delete m_pDC;
    m_pDC = nullptr;
}
