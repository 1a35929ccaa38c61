#include "platform/win/win_mail.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

extern char** environ;

std::string win_find_mail_client() {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/xdg-email";
            struct stat st {};
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

int win_send_mail(const std::string& client_path, const win_mail_message& message) {
    std::vector<std::string> args = {client_path, "--utf8",     "--subject",      message.subject,
                                     "--body",    message.body, message.recipient};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, client_path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return WIN_MAIL_FAILURE;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return WIN_MAIL_FAILURE;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? WIN_MAIL_SUCCESS : WIN_MAIL_FAILURE;
}
