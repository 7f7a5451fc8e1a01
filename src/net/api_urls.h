#pragma once
// URLs of the platform's web services, built from the web site's host (the
// base host), and the host that takes the log uploads.

#include <string>

// scheme "://" [service "."] "api." <site> <domain> "/" path "/?apiKey=" apiKey,
// where the site part comes from the base host's label in front of the
// production or staging domain. Empty when the base host is no platform site.
std::string buildApiUrl(const std::string& baseHost, const std::string& service,
                        const std::string& path, const std::string& apiKey,
                        const std::string& scheme);

// The counters service's "v1.0/MultiIncrement", over http.
std::string countersUrl(const std::string& baseHost, const std::string& apiKey);

// The client-settings service's "Setting/QuietGet/<group>", over http.
std::string clientSettingsUrl(const std::string& baseHost, const std::string& group,
                              const std::string& apiKey);

// The version-compatibility service's "GetCurrentClientVersionUpload", over https.
std::string versionCompatibilityUrl(const std::string& baseHost, const std::string& apiKey);

// host with the "www" of its first "www." (else the "m" of its first "m.")
// turned into "data"; other hosts unchanged.
std::string dataHost(const std::string& host);
