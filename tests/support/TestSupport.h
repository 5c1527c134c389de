// Fixtures shared by the core tests.
#pragma once

#include <string>
#include <vector>

#include "framework/Services.h"

// Installs recording sinks for the message box and the trace for its lifetime, and restores
// the previous sinks afterwards.
class CRecordingSinks {
public:
    CRecordingSinks();
    ~CRecordingSinks();
    CRecordingSinks(const CRecordingSinks&) = delete;
    CRecordingSinks& operator=(const CRecordingSinks&) = delete;

    std::vector<std::string> messages; // every text that reached the message sink
    std::vector<std::string> traces;   // every trace line, exactly as formatted
    // Number of trace lines so far that report a failed assertion, whichever source file it is
    // in (files get split and renamed). Taken before and after a call, the difference is the
    // count of that call; an assertion that fails again at the same place within one message
    // scope is traced once.
    int AssertionCount() const;

private:
    MessageSink m_OldMessage;
    TraceSink m_OldTrace;
};

// A fresh scratch folder under the system's temporary folder, removed with its contents.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

std::string ReadFileBytes(const std::string& strPath);
void WriteFileBytes(const std::string& strPath, const std::string& strBytes);

// 8192 bytes of binary garbage, the same on every run: a linear congruential generator's bytes,
// the first one 0xff, so that a reader meets a token that is not a number at once.
std::string GarbageBytes();
