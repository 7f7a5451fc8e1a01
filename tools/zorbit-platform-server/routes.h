#pragma once
// The platform's requests, answered from the deployment root.

#include <string>

#include "answer.h"
#include "host_roles.h"
#include "server_options.h"

namespace zorbit::server {

struct RouteRequest {
    const ServerOptions& options;
    const HostNames& names;
    const HostRoles& roles;
    const std::string& method;
    const std::string& path;  // decoded, without the query
};

Answer route(const RouteRequest& request);

// Whole small file from the root; empty when it is missing.
std::string readRootFile(const std::string& root, const std::string& name);

// Whether the path names a log upload, whose bodies are always kept.
bool isLogUploadPath(const std::string& path);

}  // namespace zorbit::server
