#include "support/xvfb.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

Xvfb::Xvfb() {
    const int number = 100 + static_cast<int>(::getpid() % 800);
    display_ = ":" + std::to_string(number);
    std::string program = "Xvfb";
    std::string screen = "-screen";
    std::string index = "0";
    std::string size = "1024x768x24";
    std::string noTcp = "-nolisten";
    std::string tcp = "tcp";
    std::string display = display_;
    char* argv[] = {program.data(), display.data(), screen.data(), index.data(),
                    size.data(),    noTcp.data(),   tcp.data(),    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1, 0);
    pid_t pid = 0;
    const int started = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return;
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 200; ++i) {
        struct stat info {};
        if (::stat(socket.c_str(), &info) == 0) {
            pid_ = pid;
            ::setenv("DISPLAY", display_.c_str(), 1);
            ::unsetenv("WAYLAND_DISPLAY");
            return;
        }
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

Xvfb::~Xvfb() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}
