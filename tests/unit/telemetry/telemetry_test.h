#pragma once
// The fixture of the telemetry tests: a private temporary folder, the local
// platform server (nothing published), a site and a counters client whose hosts
// are that server's, and the process-wide telemetry state put back around each
// test. The tests of the Studio profile's hooks make the profile itself.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "base/resource_strings.h"
#include "support/file_contents.h"
#include "support/local_platform_server.h"
#include "support/test_bootstrapper.h"
#include "support/test_site.h"
#include "telemetry/analytics.h"
#include "telemetry/counters_client.h"
#include "telemetry/telemetry_time_bound.h"

inline constexpr const char* kCountersApiKey = "3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863";

struct TelemetryTest : ::testing::Test {
    TestBootstrapperEnvironment environment;
    LocalPlatformServer server{unpublished()};
    TestSite site;
    std::unique_ptr<CountersClient> countersClient;

    TelemetryTest() {
        resetTelemetry();
        // The service URLs are built on the production domain, which carries the port.
        resource_testing::setString(resource_id::kProductionDomain,
                                    ".zorbit.localhost:" + std::to_string(server.port()));
        site.baseHostName = server.baseHost();
        site.installHostName = server.installHost();
        countersClient =
            std::make_unique<CountersClient>(&site.logger(), site.baseHostName, kCountersApiKey);
    }
    ~TelemetryTest() override {
        resetTelemetry();
        resource_testing::setString(resource_id::kProductionDomain, "");
    }

    static LocalPlatformServerOptions unpublished() {
        LocalPlatformServerOptions options;
        options.publish = false;
        return options;
    }

    static void resetTelemetry() {
        CountersClient::clearPending();
        setTelemetryTimeoutOverride(0);
        analytics_testing::setState(AnalyticsState{});
    }

    // A Studio profile with the server's hosts and a counters client of its own.
    std::shared_ptr<BootstrapperZARadada> studioPointedAtServer() {
        auto made = parsedBootstrapper({"-q"});
        made->baseHost_ = server.baseHost();
        made->installHost_ = server.installHost();
        made->countersClient =
            std::make_unique<CountersClient>(&made->logger(), made->baseHost_, kCountersApiKey);
        return made;
    }

    std::string log() const { return site.logText(); }

    // Requests of the journal on that path (without query) and host name (without port).
    std::vector<zorbit::server::JournalEntry> requests(const std::string& path,
                                                       const std::string& hostName = "") const {
        std::vector<zorbit::server::JournalEntry> found;
        for (auto& entry : server.journal())
            if (entry.path == path && (hostName.empty() || entry.hostName() == hostName))
                found.push_back(std::move(entry));
        return found;
    }

    std::vector<zorbit::server::JournalEntry> counterPosts() const {
        return requests("/v1.0/MultiIncrement/");
    }

    static zorbit::server::Fault stallOn(const std::string& hostGlob,
                                         const std::string& pathGlob = "") {
        zorbit::server::Fault fault;
        fault.host = hostGlob;
        fault.path = pathGlob;
        fault.stall = true;
        return fault;
    }
    static zorbit::server::Fault statusOn(int status, const std::string& hostGlob,
                                          const std::string& pathGlob = "") {
        zorbit::server::Fault fault;
        fault.host = hostGlob;
        fault.path = pathGlob;
        fault.status = status;
        return fault;
    }
};

using SteadyClock = std::chrono::steady_clock;

inline long long millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start)
        .count();
}
