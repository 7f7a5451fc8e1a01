#pragma once
// The registry layout of the launcher: every key path and value name it reads,
// writes or deletes. Paths are below the install root unless said otherwise.

// The application key (default value: the launcher path in the version folder).
inline constexpr const char* kAppKeyName = "StudioQTZorbitReg";
inline constexpr const char* kAppKeyPath = "SOFTWARE\\StudioQTZorbitReg";
inline constexpr const char* kAppVersionsKeyPath = "SOFTWARE\\StudioQTZorbitReg\\Versions";
inline constexpr const char* kInstallHostValue = "install host";
inline constexpr const char* kVersionValue = "version";
inline constexpr const char* kProtocolSchemeValue = "protocol handler scheme";

// The download cache's ETags, one value per package file name.
inline constexpr const char* kEtagsKeyPath = "Software\\ZorbitReg\\ETags";
// The player's key of the platform's other programs (read by the shared launcher).
inline constexpr const char* kPlayerKeyPath = "Software\\ZorbitReg";

// Current-version values ("cur" + component + "Ver" / "Url"), and "CPath"
// which lives under HKEY_CURRENT_USER whatever the scope.
inline constexpr const char* kZorbitCorporationKeyPath = "Software\\ZORBIT Corporation\\Zorbit";
inline constexpr const char* kCookiePathValue = "CPath";

inline constexpr const char* kClassesKeyPath = "Software\\Classes";

inline constexpr const char* kUninstallKeysPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kUninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{A43D5E72-4CA6-4F19-B8E3-6D2FAC4E8B53}";
inline constexpr const char* kEarlierStudioUninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{8F2A4C61-3B95-4E08-A7D2-5C1E9B3F7A42}";
inline constexpr const char* kOtherComponentUninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{6B1C3E52-0D44-4F7A-9C1E-1A7D2B5E0F31}";
inline constexpr const char* kOldBetaUninstallKeyName = "{6B64A6DF-79A4-418A-9A30-C7CFFAB603E9}";

// The earlier Studio product's application key.
inline constexpr const char* kEarlierStudioKeyPath = "SOFTWARE\\StudioQasite1Reg";

// HKEY_LOCAL_MACHINE only.
inline constexpr const char* kBrowserKeyPath = "SOFTWARE\\Microsoft\\Internet Explorer";
inline constexpr const char* kBrowserVersionValue = "Version";
