#include "telemetry/installer_settings.h"

#include <gtest/gtest.h>

TEST(InstallerSettings, EmptyAnswersKeepTheDefaults) {
    WindowsStudioInstallerSettings settings;
    settings.parse("{}");
    EXPECT_FALSE(settings.parseFailed());
    settings.parse("");
    EXPECT_TRUE(settings.parseFailed());
    EXPECT_EQ(settings.parseMessage().rfind("SimpleJson, @0: ", 0), 0u);
    EXPECT_TRUE(settings.useDataDomain);
    EXPECT_EQ(settings.influxDatabase, "Default");
    EXPECT_EQ(settings.influxHundredthsPercentage, 0);
}

TEST(InstallerSettings, BooleansAcceptTrueInTwoSpellingsOnly) {
    WindowsStudioInstallerSettings settings;
    settings.parse(R"({"CountersFireImmediately": "true", "PerModeLoggingEnabled": "True",
                       "ShowInstallSuccessPrompt": true})");
    EXPECT_TRUE(settings.countersFireImmediately);
    EXPECT_TRUE(settings.perModeLoggingEnabled);
    EXPECT_TRUE(settings.showInstallSuccessPrompt);
    settings.parse(R"({"CountersFireImmediately": "yes", "PerModeLoggingEnabled": "TRUE",
                       "ShowInstallSuccessPrompt": 1})");
    EXPECT_FALSE(settings.countersFireImmediately);
    EXPECT_FALSE(settings.perModeLoggingEnabled);
    EXPECT_FALSE(settings.showInstallSuccessPrompt);
    settings.parse(R"({"UseDataDomain": "False"})");
    EXPECT_FALSE(settings.useDataDomain);
}

TEST(InstallerSettings, ValuesArriveAsStringsOrTheirOwnKind) {
    WindowsStudioInstallerSettings settings;
    settings.parse(
        R"({"InfluxHundredthsPercentage": "250", "InfluxDatabase": 7, "CountersLoad": "abc"})");
    EXPECT_EQ(settings.influxHundredthsPercentage, 250);
    EXPECT_EQ(settings.influxDatabase, "7");
    EXPECT_EQ(settings.countersLoad, 0);
    settings.parse(R"({"InfluxHundredthsPercentage": 300, "CountersLoad": "42x"})");
    EXPECT_EQ(settings.influxHundredthsPercentage, 300);
    EXPECT_EQ(settings.countersLoad, 42);
}

TEST(InstallerSettings, SkipsNullsArraysObjectsFractionsAndHugeNumbers) {
    WindowsStudioInstallerSettings settings;
    settings.parse(R"({"InfluxUser": null, "InfluxPassword": ["x"], "InfluxUrl": {"a": 1},
                       "CountersLoad": 1.5, "InfluxHundredthsPercentage": 4294967296})");
    EXPECT_EQ(settings.influxUser, "zor");
    EXPECT_EQ(settings.influxPassword, "quickmarch");
    EXPECT_EQ(settings.countersLoad, 0);
    EXPECT_EQ(settings.influxHundredthsPercentage, 0);
}

TEST(InstallerSettings, LastDuplicateWinsAndUnknownKeysAreHandedOn) {
    struct Recording : WindowsStudioInstallerSettings {
        std::vector<std::string> unknown;
        bool handleUnknownKey(const std::string& name, const std::string& value) override {
            unknown.push_back(name + "=" + value);
            return true;
        }
    } settings;
    settings.parse(R"({"InfluxUser": "a", "InfluxUser": "b", "Mystery": false})");
    EXPECT_EQ(settings.influxUser, "b");
    EXPECT_EQ(settings.unknown, std::vector<std::string>{"Mystery=False"});
}

TEST(InstallerSettings, InvalidJsonChangesNothing) {
    WindowsStudioInstallerSettings settings;
    settings.parse(R"({"InfluxUser": "changed", )");
    EXPECT_TRUE(settings.parseFailed());
    EXPECT_FALSE(settings.nestingTooDeep());
    EXPECT_EQ(settings.influxUser, "zor");
}

TEST(InstallerSettings, DeepNestingIsRefusedWholeAndBracketsInStringsDoNotCount) {
    WindowsStudioInstallerSettings settings;
    // Deep enough to overflow any recursive parser's stack.
    const std::string deep(400000, '[');
    settings.parse(R"({"InfluxUser": "changed", "x": )" + deep);
    EXPECT_TRUE(settings.parseFailed());
    EXPECT_TRUE(settings.nestingTooDeep());
    EXPECT_EQ(settings.influxUser, "zor");
    EXPECT_EQ(settings.parseMessage().rfind("SimpleJson, @", 0), 0u);

    const std::string nested = std::string(40, '[') + std::string(40, ']');
    // An escaped quote does not end a string; an escaped backslash escapes nothing after it.
    settings.parse(R"({"InfluxUser": "\\[{\"[)" + deep.substr(0, 1000) + R"(", "x": )" + nested +
                   R"(, "InfluxDatabase": "\\"})");
    EXPECT_FALSE(settings.parseFailed()) << settings.parseMessage();
    EXPECT_FALSE(settings.nestingTooDeep());
    EXPECT_EQ(settings.influxUser, "\\[{\"[" + deep.substr(0, 1000));
    EXPECT_EQ(settings.influxDatabase, "\\");
}
