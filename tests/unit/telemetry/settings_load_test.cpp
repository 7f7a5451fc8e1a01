// The Studio profile's settings load against the local client-settings service.
#include <fstream>

#include "telemetry/client_settings.h"
#include "telemetry/installer_settings.h"
#include "telemetry/studio_telemetry.h"
#include "telemetry_test.h"

namespace {

struct SettingsLoadTest : TelemetryTest {
    SettingsLoadTest() { ::httpBoostPostTimeout = 0; }
    ~SettingsLoadTest() override { ::httpBoostPostTimeout = 0; }
    void answer(const std::string& json) const {
        std::ofstream(server.root() + "/clientsettings.json", std::ios::binary) << json;
    }
    WindowsStudioInstallerSettings studioSettings;
    WindowsStudioInstallerSettings& settings() { return studioSettings; }
    void loadSettings() { loadStudioSettings(studioSettings, site.baseHost(), site.logger()); }
};

}  // namespace

TEST_F(SettingsLoadTest, FetchAsksForTheGroupWithTheKey) {
    answer("{\"A\":1}");
    EXPECT_EQ(fetchClientSettings(server.baseHost(), "WindowsStudioBootstrapperSettings"),
              "{\"A\":1}");
    const auto asked = server.journal();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].hostName(), "clientsettings.api.qasite1.zorbit.localhost");
    EXPECT_EQ(asked[0].target,
              "/Setting/QuietGet/WindowsStudioBootstrapperSettings/"
              "?apiKey=3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863");
}

TEST_F(SettingsLoadTest, AnswerIsLaidOverTheDefaults) {
    answer(R"({"PerModeLoggingEnabled": "True", "CountersFireImmediately": true,
               "InfluxHundredthsPercentage": "250", "UseDataDomain": "False", "HttpBoostPostTimeout": 1500})");
    // The profile's hooks answer what the load laid over the defaults.
    const auto bootstrapper = studioPointedAtServer();
    const auto settings = [&]() -> WindowsStudioInstallerSettings& {
        return bootstrapper->settings;
    };
    bootstrapper->loadSettings();
    EXPECT_TRUE(bootstrapper->perModeLoggingEnabled());
    EXPECT_TRUE(settings().countersFireImmediately);
    EXPECT_EQ(bootstrapper->influxSamplePercentage(), 250);
    EXPECT_FALSE(bootstrapper->useDataDomain());
    EXPECT_EQ(::httpBoostPostTimeout, 1500);
    EXPECT_EQ(telemetryTimeout(kTelemetryRequestMs), std::chrono::milliseconds(1500));
    EXPECT_EQ(bootstrapper->influxDatabase(), "Default");  // untouched keys keep their defaults
}

TEST_F(SettingsLoadTest, ErrorPagesAndDeadServicesLeaveTheSettingsAsTheyWere) {
    settings().influxUser = "already applied";
    server.addFault(statusOn(500, "clientsettings.*"));
    loadSettings();  // the error page is not JSON
    EXPECT_EQ(settings().influxUser, "already applied");
    EXPECT_TRUE(settings().parseFailed());

    site.baseHostName = "www.qasite1.zorbit.localhost:1";  // nobody listens
    EXPECT_NO_THROW(loadSettings());
    site.baseHostName = "setup.example.invalid";  // no settings URL at all
    EXPECT_NO_THROW(loadSettings());
    EXPECT_EQ(settings().influxUser, "already applied");
    EXPECT_TRUE(settings().useDataDomain);
}

TEST_F(SettingsLoadTest, DeeplyNestedAnswerKeepsTheDefaultsWithOneLine) {
    answer(R"({"UseDataDomain": false, "x": )" + std::string(400000, '['));
    loadSettings();
    EXPECT_TRUE(settings().useDataDomain);
    const std::string text = log();
    const std::string warning = "WARNING: settings answer ignored (SimpleJson, @";
    const size_t line = text.find(warning);
    EXPECT_NE(line, std::string::npos) << text;
    EXPECT_EQ(text.find(warning, line + warning.size()), std::string::npos);
}

TEST_F(SettingsLoadTest, StalledServiceCostsOnlyTheBound) {
    server.addFault(stallOn("clientsettings.*"));
    setTelemetryTimeoutOverride(200);
    const auto start = SteadyClock::now();
    loadSettings();
    EXPECT_LT(millisecondsSince(start), 1500);
    EXPECT_FALSE(settings().perModeLoggingEnabled);
}

TEST(TelemetryTimeout, SettingsCanOnlyShortenTheBound) {
    setTelemetryTimeoutOverride(0);
    EXPECT_EQ(telemetryTimeout(5000), std::chrono::milliseconds(5000));
    setTelemetryTimeoutOverride(60000);
    EXPECT_EQ(telemetryTimeout(5000), std::chrono::milliseconds(5000));
    setTelemetryTimeoutOverride(10);
    EXPECT_EQ(telemetryTimeout(5000), std::chrono::milliseconds(kShortestTelemetryRequestMs));
    setTelemetryTimeoutOverride(-5);
    EXPECT_EQ(telemetryTimeout(15000), std::chrono::milliseconds(15000));
}
