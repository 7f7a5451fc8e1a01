// The local platform server as a program.
//
//   zorbit-platform-server --root DIR [--port N] [--port-file FILE] [--journal FILE]
//       [--bind ADDRESS] [--site-host HOST] [--install-host HOST] [--base-host HOST]
//       [--content-host HOST] [--data-host HOST] [--unquoted-version] [--threads N]
//       [--ignore-range] [--https [--certificate FILE]]
//
// With --https the same port also answers TLS, with a certificate made at start
// (its PEM written to --certificate).
// Prints "port N" on stdout once it listens (and writes N to --port-file), and
// stops cleanly on SIGTERM or SIGINT.
#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "platform_server.h"

namespace {

int usage() {
    std::cerr << "usage: zorbit-platform-server --root DIR [--port N] [--port-file FILE]\n"
                 "           [--journal FILE] [--bind ADDRESS] [--site-host HOST]\n"
                 "           [--install-host HOST] [--base-host HOST] [--content-host HOST]\n"
                 "           [--data-host HOST] [--unquoted-version] [--threads N]\n"
                 "           [--ignore-range] [--https [--certificate FILE]]\n";
    return 2;
}

struct Arguments {
    zorbit::server::ServerOptions options;
    std::string portFile;
};

bool parse(int argc, char** argv, Arguments& arguments) {
    auto& options = arguments.options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--unquoted-version") {
            options.quoteVersionCompatibility = false;
            continue;
        }
        if (name == "--ignore-range") {
            options.ignoreRange = true;
            continue;
        }
        if (name == "--https") {
            options.https = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--root")
            options.root = value;
        else if (name == "--port")
            options.port = std::atoi(value.c_str());
        else if (name == "--port-file")
            arguments.portFile = value;
        else if (name == "--journal")
            options.journalPath = value;
        else if (name == "--bind")
            options.bindAddress = value;
        else if (name == "--site-host")
            options.siteHost = value;
        else if (name == "--install-host")
            options.installHost = value;
        else if (name == "--base-host")
            options.baseHost = value;
        else if (name == "--content-host")
            options.contentHost = value;
        else if (name == "--data-host")
            options.dataHost = value;
        else if (name == "--threads")
            options.threads = std::atoi(value.c_str());
        else if (name == "--certificate")
            options.certificateFile = value;
        else
            return false;
    }
    return !options.root.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!parse(argc, argv, arguments)) return usage();

    // Blocked before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        zorbit::server::PlatformServer server(arguments.options);
        server.start();
        if (!arguments.portFile.empty()) {
            // Written whole under another name first: a reader never sees half a number.
            const std::string temporary = arguments.portFile + ".tmp";
            std::ofstream(temporary) << server.port() << "\n";
            std::rename(temporary.c_str(), arguments.portFile.c_str());
        }
        std::cout << "port " << server.port() << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        std::cerr << "zorbit-platform-server: " << strsignal(received) << ", stopping\n";
        server.stop();
    } catch (const std::exception& e) {
        std::cerr << "zorbit-platform-server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
