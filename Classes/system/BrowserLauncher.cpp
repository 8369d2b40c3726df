#include "system/BrowserLauncher.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// In a web page the browser itself opens the address, in a new tab; a local
// folder means nothing there.
bool BrowserLauncher::open(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0)
        return false;
    return EM_ASM_INT(
               {
                   try {
                       window.open(UTF8ToString($0), "_blank", "noopener");
                       return 1;
                   } catch (e) {
                       return 0;
                   }
               },
               url.c_str()) != 0;
}

void BrowserLauncher::reap() {}

bool BrowserLauncher::available() {
    return true;
}

#else

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <sstream>

extern char** environ;

bool BrowserLauncher::open(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0 && url.rfind("file:///", 0) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    std::string arg = url;
    char prog[] = "xdg-open";
    char* argv[] = {prog, arg.data(), nullptr};
    int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    running_.push_back(pid);
    return true;
}

void BrowserLauncher::reap() {
    for (auto it = running_.begin(); it != running_.end();)
        it = waitpid(*it, nullptr, WNOHANG) != 0 ? running_.erase(it) : std::next(it);
}

bool BrowserLauncher::available() {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/xdg-open").c_str(), X_OK) == 0)
            return true;
    return false;
}

#endif
