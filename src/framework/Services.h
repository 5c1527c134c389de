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

// Shows one fixed text with an OK button. Inside a CMessageScope a text already shown in that
// scope is only counted, not shown again. Safe to call from any thread.
void ShowMessageBox(const char* pszText);
// The same as nTimes calls of ShowMessageBox(pszText) in a row (none for nTimes <= 0), but
// inside a CMessageScope in one step: the text is shown at most once and its count grows by
// nTimes, so an operation that met a message billions of times reports it at once. Outside any
// scope the text is shown nTimes, as the single calls would; open a scope around such work.
void ShowMessageBox(const char* pszText, std::int64_t nTimes);

// Formats as printf does and hands the line to the trace sink.
void TraceLine(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// Reports a failed debug assertion through the trace sink as
// "Assertion failed: EXPR, file FILE, line LINE\n" (FILE without its folders). The caller
// then carries on with its fallback; nothing aborts. Inside a CMessageScope an assertion that
// fails again at the same place is only counted, and the scope traces
// "Assertion at FILE, line LINE failed N times in this operation\n" when it closes: one warp
// could otherwise write a line for every pixel.
void ReportAssertFailure(const char* pszFile, int nLine, const char* pszExpr);

#define MORROW_ASSERT(cond)                                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ReportAssertFailure(__FILE__, __LINE__, #cond);                                        \
    } while (0)

// Collects the message boxes of one operation (one warp, say). While a scope is open, each
// distinct text is shown the first time only and every occurrence is counted, so the caller can
// report "shown once, occurred N times" when the operation ends. Scopes nest; the innermost one
// counts. Open and close a scope on one thread; messages from other threads count in it too.
//
// A quiet scope counts but shows nothing, and so does every scope opened inside it: for work
// that repeats an operation whose messages the user has already seen (the depth of a warp is
// a second warp of the same move).
class CMessageScope {
public:
    struct Entry {
        std::string strText;
        std::int64_t nCount; // 64 bits: a warp can meet one message billions of times
    };
    enum class EShow { FirstOfEach, Nothing };

    explicit CMessageScope(EShow eShow = EShow::FirstOfEach);
    ~CMessageScope();
    CMessageScope(const CMessageScope&) = delete;
    CMessageScope& operator=(const CMessageScope&) = delete;

    // Every distinct text met in this scope, in the order first met, with its count.
    std::vector<Entry> GetEntries() const;
    // Occurrences of one text (0 if never met).
    std::int64_t GetCount(const std::string& strText) const;

private:
    friend void ShowMessageBox(const char* pszText, std::int64_t nTimes);
    friend void ReportAssertFailure(const char* pszFile, int nLine, const char* pszExpr);
    std::vector<Entry> m_Entries;
    std::vector<Entry> m_Assertions; // "FILE, line LINE" of each failed assertion, with counts
    CMessageScope* m_pOuter;
    bool m_bQuiet; // this scope or one around it shows nothing
};
