#include "launcher_stamp.h"

#include <filesystem>
#include <stdexcept>

namespace zorbit::publish {
namespace {

std::string withPort(const std::string& host, int port) {
    const size_t colon = host.rfind(':');
    const std::string name = colon == std::string::npos ? host : host.substr(0, colon);
    return name + ":" + std::to_string(port);
}

}  // namespace

platform::ResourceTexts stampedTexts(platform::ResourceTexts texts, const LauncherStamp& stamp) {
    const std::string site = stamp.siteHost + ":" + std::to_string(stamp.port);
    texts["104"] = site;
    texts["105"] = site;
    for (const char* name :
         {"ProductionDomain", "StagingDomain", "StandardSetupHost", "StandardContentHost"}) {
        auto it = texts.find(name);
        if (it != texts.end() && !it->second.empty()) it->second = withPort(it->second, stamp.port);
    }
    if (!stamp.versionText.empty()) texts["FileVersion"] = stamp.versionText;
    return texts;
}

platform::ResourceTexts stampLauncherCopy(const std::string& source, const std::string& target,
                                          const LauncherStamp& stamp) {
    const auto texts = platform::readResourceBlock(source);
    if (!texts) throw std::runtime_error(source + " has no resource block");
    const platform::ResourceTexts stamped = stampedTexts(*texts, stamp);
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    platform::stampResourceBlock(target, stamped);
    return stamped;
}

std::string launcherVersionText(const std::string& path) {
    const auto texts = platform::readResourceBlock(path);
    if (!texts) return "";
    auto it = texts->find("FileVersion");
    return it == texts->end() ? "" : it->second;
}

}  // namespace zorbit::publish
