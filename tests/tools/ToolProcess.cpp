#include "ToolProcess.h"

#include <cstdlib>
#include <sys/wait.h>

RunResult Run(const CScratchDir& dir, const std::string& strTool,
              const std::vector<std::string>& args) {
    std::string strCommand = "'" + strTool + "'";
    for (const std::string& strArg : args)
        strCommand += " '" + strArg + "'";
    strCommand += " >'" + dir.File("stdout.txt") + "' 2>'" + dir.File("stderr.txt") + "'";
    const int nStatus = std::system(strCommand.c_str());
    RunResult result;
    result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    result.strOut = ReadFileBytes(dir.File("stdout.txt"));
    result.strErr = ReadFileBytes(dir.File("stderr.txt"));
    return result;
}

RunResult Warp(const CScratchDir& dir, const std::vector<std::string>& args) {
    return Run(dir, MORROW_WARP_PATH, args);
}

RunResult Scene(const CScratchDir& dir, const std::vector<std::string>& args) {
    return Run(dir, MORROW_SCENE_PATH, args);
}
