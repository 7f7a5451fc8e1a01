#pragma once
// The fixture of the network tests: a private temporary and home folder, a
// scripted loopback server, a test site logging into the temporary folder, and
// the process-wide network state put back before and after each test.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/cdn_selection.h"
#include "net/http_client.h"
#include "support/loopback_http_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

struct NetTest : ::testing::Test {
    TempDir temp;
    ScopedEnv tmpdir{"TMPDIR", temp.path()};
    ScopedEnv home{"HOME", temp.path()};
    ScopedEnv cache{"XDG_CACHE_HOME", temp.path() + "/cache"};
    LoopbackHttpServer server;
    TestSite site;

    NetTest() { resetNetworkState(); }
    ~NetTest() override { resetNetworkState(); }

    static void resetNetworkState() {
        cdn_testing::resetSelection();
        http_testing::setStallTimeoutSeconds(0);
        http_testing::setCaBundle("");
    }

    // Files left in the temporary folder other than the log.
    std::vector<std::string> strayTempFiles() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() &&
                name != std::filesystem::path(site.logger().fileName()).filename())
                names.push_back(name);
        }
        return names;
    }

    static const HttpProgress& noProgress() {
        static const HttpProgress none = [](int, int) {};
        return none;
    }
};
