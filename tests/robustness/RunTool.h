// Runs a command-line tool as a child process and collects what it did.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ToolResult {
    bool bStarted = false;
    bool bTimedOut = false; // killed after the time limit: a hang
    int nExitCode = -1;     // when it exited normally
    int nSignal = 0;        // when a signal ended it
    std::string strStdout;
    std::string strStderr;
    // True when the process ended by itself with an exit code and no sanitizer spoke.
    bool EndedCleanly() const;
    // One line for a failing assertion: how it ended and what it printed on stderr.
    std::string Describe() const;
};

// Runs argv[0] with the arguments, stdin from /dev/null. childSetup runs in the child before
// exec (resource limits, signal dispositions); extraEnv entries "NAME=value" are added to the
// environment. A child still running after nTimeoutSeconds is killed.
ToolResult RunTool(const std::vector<std::string>& argv, int nTimeoutSeconds = 120,
                   const std::function<void()>& childSetup = {},
                   const std::vector<std::string>& extraEnv = {});

// For a child that must meet file permissions even when the tests run as root: makes the
// folder (and its parents up to the scratch root) traversable, and returns a child set-up that
// drops to the unprivileged user "nobody" (uid and gid 65534). Without root it does nothing.
std::function<void()> RunAsUnprivileged(const std::vector<std::string>& folders);
// Whether the tool starts at all under that set-up (its folders may not be open to "nobody"):
// run without arguments, it must answer with its usage line and exit code 1.
bool StartsUnprivileged(const std::string& strTool, const std::function<void()>& setup);

// Path of morrow-warp, or empty when the tool is not part of this build.
std::string MorrowWarpPath();
