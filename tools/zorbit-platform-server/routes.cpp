// Host by host: the setup host and its mirror serve the files of the root; the
// web site, the data host and the API services answer their few requests.
#include "routes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace zorbit::server {
namespace {

namespace fs = std::filesystem;

// Service paths compare like the site's: case-insensitive, trailing slash optional.
std::string servicePath(const std::string& path) {
    std::string normal = path;
    std::transform(normal.begin(), normal.end(), normal.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name[0] != '.' &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::string contentTypeOf(const std::string& name) {
    const std::string extension = fs::path(name).extension().string();
    if (extension == ".zip") return "application/zip";
    if (extension == ".json") return "application/json";
    if (extension == ".txt" || extension.empty()) return "text/plain";
    return "application/octet-stream";
}

Answer fileAnswer(const std::string& root, const std::string& path) {
    const std::string name = path.substr(1);
    if (!isPlainName(name)) return textAnswer(404, "Not Found");
    const fs::path file = fs::path(root) / name;
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return textAnswer(404, "Not Found");
    Answer answer;
    answer.filePath = file.string();
    answer.fileSize = fs::file_size(file, error);
    answer.contentType = contentTypeOf(name);
    return answer;
}

Answer jsonAnswer(std::string body) {
    Answer answer = textAnswer(200, std::move(body));
    answer.contentType = "application/json";
    return answer;
}

Answer clientSettings(const RouteRequest& request) {
    const std::string prefix = "/setting/quietget/";
    std::string group = request.path.substr(prefix.size());
    while (!group.empty() && group.back() == '/') group.pop_back();
    if (!isPlainName(group)) return textAnswer(404, "Not Found");
    const std::string& root = request.options.root;
    std::string settings = readRootFile(root, "clientsettings-" + group + ".json");
    if (settings.empty()) settings = readRootFile(root, "clientsettings.json");
    return jsonAnswer(settings.empty() ? "{}" : settings);
}

Answer versionCompatibility(const RouteRequest& request) {
    const std::string guid = readRootFile(request.options.root, request.options.versionFileName);
    if (guid.empty()) return textAnswer(404, "No version published");
    return jsonAnswer(request.options.quoteVersionCompatibility ? "\"" + guid + "\"" : guid);
}

Answer installerCdns(const RouteRequest& request) {
    const std::string list = readRootFile(request.options.root, "installercdns.json");
    if (!list.empty()) return jsonAnswer(list);
    std::string cdn = readRootFile(request.options.root, "cdn.txt");
    cdn.erase(std::remove_if(cdn.begin(), cdn.end(), [](char c) { return c == '\r' || c == '\n'; }),
              cdn.end());
    return jsonAnswer(cdn.empty() ? "{}" : "{\"" + cdn + "\":100}");
}

std::optional<Answer> siteRequest(const RouteRequest& request, const std::string& path) {
    if (path == "/install/getinstallercdns.ashx") return installerCdns(request);
    if (path == "/game/joinrate.ashx" || path == "/game/report-stats" ||
        path == "/client-status/set")
        return textAnswer(200, "");
    return std::nullopt;
}

std::optional<Answer> apiRequest(const RouteRequest& request, const std::string& path) {
    const std::string& service = request.roles.api;
    if (service == "clientsettings" && path.rfind("/setting/quietget/", 0) == 0)
        return clientSettings(request);
    if (service == "versioncompatibility" && path == "/getcurrentclientversionupload")
        return versionCompatibility(request);
    if (service == "ephemeralcounters" && path == "/v1.0/multiincrement")
        return textAnswer(200, "");
    return std::nullopt;
}

}  // namespace

std::string readRootFile(const std::string& root, const std::string& name) {
    std::ifstream in(fs::path(root) / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isLogUploadPath(const std::string& path) {
    return servicePath(path) == "/error/installlog.ashx";
}

Answer route(const RouteRequest& request) {
    const HostRoles& roles = request.roles;
    if (!roles.known()) return textAnswer(404, "Unknown host");
    const std::string path = servicePath(request.path);
    if (!roles.api.empty()) {
        if (auto answer = apiRequest(request, path)) return *answer;
        return textAnswer(404, "Not Found");
    }
    if ((roles.data || roles.base) && isLogUploadPath(path)) return textAnswer(200, "OK");
    if (roles.base)
        if (auto answer = siteRequest(request, path)) return *answer;
    if (roles.install || roles.content) {
        if (request.method != "GET" && request.method != "HEAD")
            return textAnswer(405, "Method Not Allowed");
        return fileAnswer(request.options.root, request.path);
    }
    return textAnswer(404, "Not Found");
}

}  // namespace zorbit::server
