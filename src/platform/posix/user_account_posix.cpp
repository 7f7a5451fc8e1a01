#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/user_account.h"

namespace platform {

std::string userName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->pw_name ? std::string(found->pw_name) : std::string();
}

}  // namespace platform
