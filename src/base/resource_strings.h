#pragma once
// The texts of the launcher's own resource block.

#include <string>

namespace resource_id {
inline constexpr const char* kFileVersion = "FileVersion";
inline constexpr const char* kInstallHost = "104";
inline constexpr const char* kBaseHost = "105";
inline constexpr const char* kProductionDomain = "ProductionDomain";
inline constexpr const char* kStagingDomain = "StagingDomain";
inline constexpr const char* kStagingSiteLabel = "StagingSiteLabel";
inline constexpr const char* kSiteDomain = "SiteDomain";
inline constexpr const char* kStandardSetupHost = "StandardSetupHost";
inline constexpr const char* kStandardContentHost = "StandardContentHost";
}  // namespace resource_id

// A text of the running executable's block; empty when it has none.
std::string resourceString(const std::string& id);

// The running executable's file version, dotted ("1.6.3.173"); empty on failure.
std::string moduleFileVersion();

// A version text cut at blanks, commas and points and joined with points.
std::string dottedVersion(const std::string& versionText);

namespace resource_testing {
// Makes resourceString answer value for id in this process (empty value: the
// block's own text again). Test hook; not for the launcher itself.
void setString(const std::string& id, const std::string& value);
}  // namespace resource_testing
