#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

namespace {
// The warp reports from its worker threads, and the services call the sinks outside their own
// lock, so the recording sinks serialise their appends.
std::mutex g_RecordingMutex;
} // namespace

CRecordingSinks::CRecordingSinks() {
    m_OldMessage = SetMessageSink([this](const std::string& s) {
        std::lock_guard<std::mutex> lock(g_RecordingMutex);
        messages.push_back(s);
    });
    m_OldTrace = SetTraceSink([this](const std::string& s) {
        std::lock_guard<std::mutex> lock(g_RecordingMutex);
        traces.push_back(s);
    });
}

CRecordingSinks::~CRecordingSinks() {
    SetMessageSink(std::move(m_OldMessage));
    SetTraceSink(std::move(m_OldTrace));
}

int CRecordingSinks::AssertionCount() const {
    int nCount = 0;
    for (const std::string& s : traces)
        if (s.rfind("Assertion failed:", 0) == 0)
            ++nCount;
    return nCount;
}

CScratchDir::CScratchDir() {
    std::string strTemplate =
        (std::filesystem::temp_directory_path() / "morrow-test-XXXXXX").string();
    std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
    buffer.push_back('\0');
    const char* pszMade = mkdtemp(buffer.data());
    m_strPath = pszMade ? pszMade : "";
}

CScratchDir::~CScratchDir() {
    if (!m_strPath.empty()) {
        std::error_code ec;
        // Restore permissions a test may have taken away, so everything can be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(m_strPath, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_strPath, ec);
    }
}

std::string ReadFileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& strPath, const std::string& strBytes) {
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
}

std::string GarbageBytes() {
    std::string str;
    unsigned nState = 12345;
    for (int i = 0; i < 8192; ++i) {
        nState = nState * 1103515245u + 12345u;
        str.push_back(static_cast<char>(nState >> 16));
    }
    str[0] = '\xff';
    return str;
}
