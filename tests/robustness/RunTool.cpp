#include "RunTool.h"
#include <grp.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

bool ToolResult::EndedCleanly() const {
    if (!bStarted || bTimedOut || nSignal != 0)
        return false;
    // The sanitizer build prints these before it ends the process.
    for (const char* pszMark : {"AddressSanitizer", "runtime error:", "LeakSanitizer"})
        if (strStderr.find(pszMark) != std::string::npos)
            return false;
    return true;
}

std::string ToolResult::Describe() const {
    std::string str;
    if (!bStarted)
        str = "did not start";
    else if (bTimedOut)
        str = "hung (killed after the time limit)";
    else if (nSignal != 0)
        str = "ended by signal " + std::to_string(nSignal);
    else
        str = "exit code " + std::to_string(nExitCode);
    return str + "; stderr: " + strStderr.substr(0, 2000);
}

namespace {

double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

} // namespace

ToolResult RunTool(const std::vector<std::string>& argv, int nTimeoutSeconds,
                   const std::function<void()>& childSetup,
                   const std::vector<std::string>& extraEnv) {
    ToolResult result;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    std::vector<std::string> env;
    for (char** p = environ; *p; ++p) {
        // An entry given in extraEnv replaces the inherited one of the same name.
        const std::string strEntry = *p;
        const std::string strName = strEntry.substr(0, strEntry.find('=') + 1);
        bool bReplaced = false;
        for (const std::string& strExtra : extraEnv)
            if (strExtra.compare(0, strName.size(), strName) == 0)
                bReplaced = true;
        if (!bReplaced)
            env.push_back(strEntry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args, envp;
    for (const std::string& s : argv)
        args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);
    for (const std::string& s : env)
        envp.push_back(const_cast<char*>(s.c_str()));
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        const int nNull = open("/dev/null", O_RDONLY);
        dup2(nNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (childSetup)
            childSetup();
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    result.bStarted = true;
    close(outPipe[1]);
    close(errPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* pTargets[2] = {&result.strStdout, &result.strStderr};
    int nOpen = 2;
    const double dDeadline = Now() + nTimeoutSeconds;
    while (nOpen > 0) {
        const double dLeft = dDeadline - Now();
        if (dLeft <= 0) {
            result.bTimedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(dLeft * 1000) + 1) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                pTargets[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --nOpen;
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    if (!result.bTimedOut) {
        if (WIFEXITED(nStatus))
            result.nExitCode = WEXITSTATUS(nStatus);
        else if (WIFSIGNALED(nStatus))
            result.nSignal = WTERMSIG(nStatus);
    }
    return result;
}

std::string MorrowWarpPath() {
#ifdef MORROW_WARP_PATH
    return MORROW_WARP_PATH;
#else
    return std::string();
#endif
}

std::function<void()> RunAsUnprivileged(const std::vector<std::string>& folders) {
    if (geteuid() != 0)
        return {};
    for (const std::string& strFolder : folders)
        chmod(strFolder.c_str(), 0755);
    return [] {
        // Group first: once the user id is dropped, the group can no longer be changed.
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(126);
    };
}

bool StartsUnprivileged(const std::string& strTool, const std::function<void()>& setup) {
    const ToolResult r = RunTool({strTool}, 60, setup);
    return r.EndedCleanly() && r.nExitCode == 1;
}
