// The command-line tools run as a user runs them: a shell command with every argument quoted,
// its exit code and what it wrote on stdout and stderr (through files in the scratch folder).
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"

struct RunResult {
    int nExit = -1; // -1 when the tool did not exit normally
    std::string strOut, strErr;
};

RunResult Run(const CScratchDir& dir, const std::string& strTool,
              const std::vector<std::string>& args);
// morrow-warp and morrow-scene of this build.
RunResult Warp(const CScratchDir& dir, const std::vector<std::string>& args);
RunResult Scene(const CScratchDir& dir, const std::vector<std::string>& args);
