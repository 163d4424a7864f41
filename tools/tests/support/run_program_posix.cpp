// Runs updtool with fork and exec, its streams sent to files.
#include <fcntl.h>
#include <limits.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tool_fixture.h"

namespace {

// <build>/tools/tests/tool_tests -> <build>/tools/updtool
std::string UpdtoolPath() {
    char sz[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", sz, sizeof sz - 1);
    if (n <= 0) return std::string();
    std::string strPath(sz, static_cast<size_t>(n));
    for (int i = 0; i < 2; ++i) strPath.erase(strPath.rfind('/'));
    return strPath + "/updtool";
}

}  // namespace

int RunUpdtoolProgram(const std::vector<std::string>& args, const std::string& strOutFile,
                      const std::string& strErrFile) {
    const std::string strProgram = UpdtoolPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(strProgram.c_str()));
    for (const std::string& strArg : args) argv.push_back(const_cast<char*>(strArg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int fdOut = open(strOutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int fdErr = open(strErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fdOut < 0 || fdErr < 0 || dup2(fdOut, 1) < 0 || dup2(fdErr, 2) < 0) _exit(127);
        execv(strProgram.c_str(), argv.data());
        _exit(127);
    }
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus)) return -1;
    return WEXITSTATUS(nStatus);
}
