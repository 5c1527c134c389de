#include "framework/Services.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_Mutex;
CMessageScope* g_pInnermost = nullptr;

MessageSink& MessageSinkSlot() {
    static MessageSink sink = [](const std::string& strText) {
        std::fprintf(stderr, "morrow: %s\n", strText.c_str());
    };
    return sink;
}

TraceSink& TraceSinkSlot() {
    static TraceSink sink;
    return sink;
}

// Counts stop at the largest value instead of wrapping around (no real operation gets there).
std::int64_t SaturatingAdd(std::int64_t nCount, std::int64_t nMore) {
    return nCount > INT64_MAX - nMore ? INT64_MAX : nCount + nMore;
}

const char* BaseName(const char* pszPath) {
    const char* pszSlash = std::strrchr(pszPath, '/');
    return pszSlash ? pszSlash + 1 : pszPath;
}

} // namespace

MessageSink SetMessageSink(MessageSink sink) {
    std::lock_guard<std::mutex> lock(g_Mutex);
    MessageSink old = std::move(MessageSinkSlot());
    MessageSinkSlot() = std::move(sink);
    return old;
}

TraceSink SetTraceSink(TraceSink sink) {
    std::lock_guard<std::mutex> lock(g_Mutex);
    TraceSink old = std::move(TraceSinkSlot());
    TraceSinkSlot() = std::move(sink);
    return old;
}

void ShowMessageBox(const char* pszText) {
    ShowMessageBox(pszText, 1);
}

void ShowMessageBox(const char* pszText, std::int64_t nTimes) {
    const std::string strText = pszText ? pszText : "";
    for (std::int64_t i = 0; i < nTimes; ++i) {
        MessageSink sink;
        {
            std::lock_guard<std::mutex> lock(g_Mutex);
            if (g_pInnermost) {
                for (CMessageScope::Entry& entry : g_pInnermost->m_Entries) {
                    if (entry.strText == strText) {
                        // This and every later occurrence are only counted, all at once.
                        entry.nCount = SaturatingAdd(entry.nCount, nTimes - i);
                        return;
                    }
                }
                g_pInnermost->m_Entries.push_back({strText, 1});
                if (g_pInnermost->m_bQuiet) {
                    // Counted like any other, all at once; shown never.
                    g_pInnermost->m_Entries.back().nCount = nTimes - i;
                    return;
                }
            }
            sink = MessageSinkSlot();
        }
        // The sink may block (a modal box); it runs outside the lock.
        if (sink)
            sink(strText);
    }
}

void TraceLine(const char* pszFormat, ...) {
    char szBuffer[1024];
    va_list args;
    va_start(args, pszFormat);
    const int nLength = std::vsnprintf(szBuffer, sizeof szBuffer, pszFormat, args);
    va_end(args);
    std::string strLine;
    if (nLength >= 0 && static_cast<size_t>(nLength) >= sizeof szBuffer) {
        strLine.resize(static_cast<size_t>(nLength) + 1);
        va_start(args, pszFormat);
        std::vsnprintf(&strLine[0], strLine.size(), pszFormat, args);
        va_end(args);
        strLine.resize(static_cast<size_t>(nLength));
    } else if (nLength >= 0) {
        strLine.assign(szBuffer, static_cast<size_t>(nLength));
    }
    TraceSink sink;
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        sink = TraceSinkSlot();
    }
    if (sink)
        sink(strLine);
}

void ReportAssertFailure(const char* pszFile, int nLine, const char* pszExpr) {
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        if (g_pInnermost) {
            const std::string strSite =
                std::string(BaseName(pszFile)) + ", line " + std::to_string(nLine);
            bool bSeen = false;
            for (CMessageScope::Entry& entry : g_pInnermost->m_Assertions) {
                if (entry.strText == strSite) {
                    entry.nCount = SaturatingAdd(entry.nCount, 1);
                    bSeen = true;
                    break;
                }
            }
            if (bSeen)
                return;
            g_pInnermost->m_Assertions.push_back({strSite, 1});
        }
    }
    TraceLine("Assertion failed: %s, file %s, line %d\n", pszExpr, BaseName(pszFile), nLine);
}

CMessageScope::CMessageScope(EShow eShow) {
    std::lock_guard<std::mutex> lock(g_Mutex);
    m_pOuter = g_pInnermost;
    m_bQuiet = eShow == EShow::Nothing || (m_pOuter && m_pOuter->m_bQuiet);
    g_pInnermost = this;
}

CMessageScope::~CMessageScope() {
    std::unique_lock<std::mutex> lock(g_Mutex);
    // Scopes close in reverse order of opening; unlink this one wherever it sits.
    CMessageScope** ppLink = &g_pInnermost;
    while (*ppLink && *ppLink != this)
        ppLink = &(*ppLink)->m_pOuter;
    if (*ppLink)
        *ppLink = m_pOuter;
    lock.unlock();
    for (const Entry& entry : m_Assertions)
        if (entry.nCount > 1)
            TraceLine("Assertion at %s failed %lld times in this operation\n",
                      entry.strText.c_str(), static_cast<long long>(entry.nCount));
}

std::vector<CMessageScope::Entry> CMessageScope::GetEntries() const {
    std::lock_guard<std::mutex> lock(g_Mutex);
    return m_Entries;
}

std::int64_t CMessageScope::GetCount(const std::string& strText) const {
    std::lock_guard<std::mutex> lock(g_Mutex);
    for (const Entry& entry : m_Entries)
        if (entry.strText == strText)
            return entry.nCount;
    return 0;
}
