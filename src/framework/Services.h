// Reporting services shared by every layer: a message box, a debug trace line and a debug
// assertion. The core never talks to the user itself; the front end (GUI, tool, test) installs
// the sinks that decide where each report goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Receives the text of a message box. The GUI shows a modal box with an OK button and returns
// once the user dismissed it; a tool prints it; a test records it.
using MessageSink = std::function<void(const std::string& strText)>;
// Receives one formatted trace line, exactly as formatted (line ends included).
using TraceSink = std::function<void(const std::string& strLine)>;

// Installs a sink and returns the one it replaces. An empty sink drops the reports.
// Until a front end installs its own, messages go to stderr and trace lines are dropped.
MessageSink SetMessageSink(MessageSink sink);
TraceSink SetTraceSink(TraceSink sink);

// Shows one fixed text with an OK button. Inside a CMessageScope of the calling thread a text
// already shown in that scope is only counted, not shown again; inside a CQuietScope of the
// calling thread every text is only counted. Safe to call from any thread.
void ShowMessageBox(const char* pszText);
// The same as nTimes calls of ShowMessageBox(pszText) in a row (none for nTimes <= 0), but
// inside a scope in one step: the text is shown at most once and its count grows by
// nTimes, so an operation that met a message billions of times reports it at once. Outside any
// scope the text is shown nTimes, as the single calls would; open a scope around such work.
void ShowMessageBox(const char* pszText, std::int64_t nTimes);

// Formats as printf does and hands the line to the trace sink.
void TraceLine(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// Reports a failed debug assertion through the trace sink as
// "Assertion failed: EXPR, file FILE, line LINE\n" (FILE without its folders). The caller
// then carries on with its fallback; nothing aborts. Inside a scope (either kind) an assertion that
// fails again at the same place is only counted, and the scope traces
// "Assertion at FILE, line LINE failed N times in this operation\n" when it closes: one warp
// could otherwise write a line for every pixel.
void ReportAssertFailure(const char* pszFile, int nLine, const char* pszExpr);

#define MORROW_ASSERT(cond)                                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ReportAssertFailure(__FILE__, __LINE__, #cond);                                        \
    } while (0)

// What the two kinds of scope share: the message texts and failed assertions met while open,
// with their counts. A scope belongs to the thread that opened it (open and close it there) and
// counts the reports of that thread, and of helper threads that took over its reports
// (CReportHandover); reports of other threads never reach it. Scopes nest per thread; the
// innermost one counts (and a quiet scope also what the message scopes inside it count).
class CReportScope {
public:
    struct Entry {
        std::string strText;
        std::int64_t nCount; // 64 bits: a warp can meet one message billions of times
    };

    CReportScope(const CReportScope&) = delete;
    CReportScope& operator=(const CReportScope&) = delete;

    // Every distinct text met in this scope, in the order first met, with its count.
    std::vector<Entry> GetEntries() const;
    // Occurrences of one text (0 if never met).
    std::int64_t GetCount(const std::string& strText) const;

protected:
    explicit CReportScope(bool bQuiet);
    ~CReportScope();

private:
    friend void ShowMessageBox(const char* pszText, std::int64_t nTimes);
    friend void ReportAssertFailure(const char* pszFile, int nLine, const char* pszExpr);
    std::vector<Entry> m_Entries;
    std::vector<Entry> m_Assertions; // "FILE, line LINE" of each failed assertion, with counts
    CReportScope* m_pOuter;
    void* m_pChain; // the scope list of the thread that opened it
    bool m_bQuiet;
};

// Collects the message boxes of one operation (one warp, say). While a scope is open, each
// distinct text is shown the first time only and every occurrence is counted, so the caller can
// report "shown once, occurred N times" when the operation ends. Inside a CQuietScope of its
// thread it still counts, but shows nothing.
class CMessageScope : public CReportScope {
public:
    CMessageScope() : CReportScope(false) {}
};

// Keeps the message boxes of background work (a warp on a worker thread, say) from the user:
// while it is open, every ShowMessageBox of its thread (both forms) is only counted in it, never
// shown, and never reaches the message scopes that were open before it or the sink. A
// CMessageScope opened inside it (the warp's own) counts its operation's messages as always,
// and they count here too. Quiet scopes nest; the innermost counts. Other threads are not
// affected.
class CQuietScope : public CReportScope {
public:
    CQuietScope() : CReportScope(true) {}
};

// The reports of one thread as a token, for the helper threads of one of its operations.
struct ReportContext {
    void* pChain;
};
// The calling thread's token.
ReportContext GetReportContext();

// While it lives, the messages and assertions of the thread it was made on count in the scopes
// of the thread whose token it was given (and are as quiet as there), as if that thread had
// reported them. That thread must keep its scopes open until the handover has ended.
class CReportHandover {
public:
    explicit CReportHandover(ReportContext context);
    ~CReportHandover();
    CReportHandover(const CReportHandover&) = delete;
    CReportHandover& operator=(const CReportHandover&) = delete;

private:
    void* m_pOld;
};
