#pragma once
// The local platform server for a test: runs in this process on a free
// loopback port (real HTTP), serving a temporary root into which a small
// synthetic Studio build has been published, with the Studio stand-in as its
// Studio and a launcher copy stamped for this server.

#include <cstdint>
#include <string>
#include <vector>

#include "fault.h"
#include "journal.h"
#include "platform_server.h"
#include "publisher.h"
#include "support/temp_dir.h"

struct LocalPlatformServerOptions {
    bool publish = true;  // publish one deployment before serving
    uint64_t syntheticBytes = 256 * 1024;
    size_t syntheticFiles = 48;
    uint64_t seed = 1;
    bool withStandin = true;      // the stand-in is the build's ZorbitStudioBeta.exe
    bool withLauncher = true;     // publish a stamped launcher and its version text
    std::string launcherVersion;  // empty: the built launcher's own
    std::string guid;             // empty: a new one
    std::string journalPath;      // empty: journal in memory only
    bool https = false;           // also answer TLS on the port (see certificatePath)
    bool ignoreRange = false;     // answer Range requests with the whole file
    // The programs published and stamped; empty: this build's own (another
    // build's, e.g. the Windows one, for tests that run it under Wine).
    std::string launcherProgram;
    std::string standinProgram;
    // Serve this existing folder (with publish false) instead of a new temporary one.
    std::string root;
};

class LocalPlatformServer {
public:
    explicit LocalPlatformServer(LocalPlatformServerOptions options = {});
    ~LocalPlatformServer();
    LocalPlatformServer(const LocalPlatformServer&) = delete;
    LocalPlatformServer& operator=(const LocalPlatformServer&) = delete;

    zorbit::server::PlatformServer& server() { return *server_; }
    int port() const;
    const std::string& root() const { return root_; }
    // PEM file of the server's test certificate (https only).
    std::string certificatePath() const { return temp_.file("certificate.pem"); }
    const std::string& buildFolder() const { return build_; }
    // The last deployment published.
    const zorbit::publish::PublishResult& deployment() const { return deployment_; }
    const std::string& versionGuid() const { return deployment_.guid; }

    // Hosts with the port, as the launcher writes them.
    std::string installHost() const;  // www.qasite1.zorbit.localhost:PORT
    std::string baseHost() const;
    std::string contentHost() const;                        // cdn.qasite1.zorbit.localhost:PORT
    std::string dataHost() const;                           // data.qasite1.zorbit.localhost:PORT
    std::string apiHost(const std::string& service) const;  // <service>.api.qasite1...:PORT
    std::string controlHost() const;                        // control.zorbit.localhost:PORT
    // "http://" + host + path.
    static std::string url(const std::string& host, const std::string& path);

    // Publishes another version of the same build into the root and makes it
    // current. Root, build, port and launcher are filled in when empty.
    zorbit::publish::PublishResult publish(zorbit::publish::PublishOptions options = {});
    // Publishes a version like the last one with that share of its files
    // given new contents (see makeChangedBuild), and makes it current.
    // changed, when given, receives their paths ('/'-separated).
    zorbit::publish::PublishResult publishChanged(double percent,
                                                  std::vector<std::string>* changed = nullptr);

    std::vector<zorbit::server::JournalEntry> journal() const { return server_->journal(); }
    // Journal entries whose path (without query) is the one given.
    std::vector<zorbit::server::JournalEntry> requestsFor(const std::string& path) const;
    void addFault(zorbit::server::Fault fault) { server_->addFault(std::move(fault)); }
    void clearFaults() { server_->clearFaults(); }

    // Copies the launcher (the options' program) to the target, pointed at this
    // server; answers the target.
    std::string stampLauncher(const std::string& target, const std::string& versionText = "") const;

    // Programs of this build (the preset's build folder).
    static std::string launcherBinary();
    static std::string standinBinary();
    static std::string serverBinary();
    static std::string publisherBinary();

private:
    std::string launcherProgram() const;

    LocalPlatformServerOptions options_;
    TempDir temp_;
    std::string root_;
    std::string build_;
    std::unique_ptr<zorbit::server::PlatformServer> server_;
    zorbit::publish::PublishResult deployment_;
    int changedBuilds_ = 0;
};
