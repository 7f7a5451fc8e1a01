#pragma once
// What the deployment tests share: a private home and machine hive, the local
// platform server with a small published version, and the questions the tests
// ask of the server's journal and the download cache.

#include <filesystem>
#include <string>
#include <vector>

#include "install/md5_hasher.h"
#include "net/cdn_selection.h"
#include "net/http_client.h"
#include "support/local_platform_server.h"
#include "support/registry_sandbox.h"
#include "support/test_certificate.h"

struct DeployTestEnv {
    RegistrySandbox sandbox;
    LocalPlatformServer server{serverOptions()};
#ifndef _WIN32  // the test certificate needs OpenSSL
    // The server speaks plain http, so every download's https attempt fails;
    // trusting one certificate instead of the system's store keeps that cheap.
    TestCertificate certificate{sandbox.dir().path()};
#endif

    DeployTestEnv() {
        cdn_testing::resetSelection();
#ifndef _WIN32
        http_testing::setCaBundle(certificate.pemPath());
#endif
    }
    ~DeployTestEnv() {
        cdn_testing::resetSelection();
        http_testing::setCaBundle("");
    }

    static LocalPlatformServerOptions serverOptions() {
        LocalPlatformServerOptions options;
        options.syntheticBytes = 384 * 1024;
        options.syntheticFiles = 64;
        options.withStandin = false;
        options.withLauncher = false;
        return options;
    }

    const zorbit::publish::PublishedPackage& package(const std::string& name) const {
        for (const auto& published : server.deployment().packages)
            if (published.package == name) return published;
        throw std::runtime_error("no package " + name);
    }
    std::string packagePath(const std::string& name) const {
        return "/" + server.versionGuid() + "-" + name;
    }
    std::vector<zorbit::server::JournalEntry> requestsFor(const std::string& name) const {
        return server.requestsFor(packagePath(name));
    }
    static std::string md5Of(const std::string& path) {
        Md5Hasher hasher;
        hasher.hashFile(path);
        return hasher.hexDigest();
    }
    // The per-user download cache.
    std::string downloads() const {
        return sandbox.userData("vexmoor-qasite1/Downloads/");
    }
    // Files the deployment left in the temporary folder (the log aside).
    std::vector<std::string> temporaryDownloads() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(sandbox.dir().file("tmp")))
            if (entry.path().extension() == ".tmp")
                names.push_back(entry.path().filename().string());
        return names;
    }
};
