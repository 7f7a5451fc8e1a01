// The shared library's C entry point over SharedLauncher::StartGame. Built into
// the library only; the launcher itself never calls it.
#include "launch/shared_launcher_exports.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "base/logger.h"
#include "launch/shared_launcher.h"

namespace {

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

platform::Guid guid(const ZorbitGuid* classId) {
    platform::Guid result{};
    if (!classId) return result;
    result.data1 = classId->data1;
    result.data2 = classId->data2;
    result.data3 = classId->data3;
    std::copy(std::begin(classId->data4), std::end(classId->data4), result.data4.begin());
    return result;
}

void copyOut(const std::string& description, char* buffer, size_t size) {
    if (!buffer || size == 0) return;
    const size_t length = std::min(description.size(), size - 1);
    std::memcpy(buffer, description.data(), length);
    buffer[length] = '\0';
}

}  // namespace

extern "C" int32_t ZorbitSharedLauncher_StartGame(const char* ticket, const char* authenticationUrl,
                                                  const char* scriptUrl, const ZorbitGuid* classId,
                                                  int silent, const char* readyEventName,
                                                  int hidden, const char* showEventName,
                                                  int32_t launchMode, char* errorDescription,
                                                  size_t errorDescriptionSize) {
    int32_t hr = SharedLauncher::kEFail;
    std::string description;
    try {
        SharedLauncher::GetErrorInfo();  // nothing of an earlier call may be taken for this one
        simple_logger logger;
        hr = SharedLauncher::StartGame(logger, text(ticket), text(authenticationUrl),
                                       text(scriptUrl), guid(classId), silent != 0,
                                       text(readyEventName), hidden != 0, text(showEventName),
                                       static_cast<SharedLauncher::LaunchMode>(launchMode));
        if (auto info = SharedLauncher::GetErrorInfo(); info && hr != 0)
            description = info->description;
    } catch (const std::exception& e) {
        // No log could be opened: nothing was started.
        description = e.what();
    }
    copyOut(description, errorDescription, errorDescriptionSize);
    return hr;
}
