#include "base/errors.h"

#include "base/format.h"
#include "platform/last_error.h"

std::string installerErrorName(int32_t code) {
    switch (code) {
        case kVistaElevation:
            return "VistaElevation";
        case kBoostrapVersion:
            return "BoostrapVersion";
        case kOSPreRequisite:
            return "OSPreRequisite";
        case kDirectXPreRequisite:
            return "DirectXPreRequisite";
        case kIEPreRequisite:
            return "IEPreRequisite";
        case kDiskSpacePreRequisite:
            return "DiskSpacePreRequisite";
        case kAdminAccountRequired:
            return "AdminAccountRequired";
        case kInstallerTimeout:
            return "InstallerTimeout";
        case kAdminAccountRequiredWithoutUac:
            return "AdminAccountRequiredWithoutUac";
        default:
            return "Unknown";
    }
}

std::string cancelReason(const cancel_exception& e) {
    return e.userCancel() ? "User Cancelled" : "Double Start Cancelled";
}

int32_t hresultFromWin32(uint32_t code) {
    if (code == 0) return 0;
    return static_cast<int32_t>(0x80070000u | (code & 0xFFFFu));
}

std::string errorText(int32_t hr) {
    std::string text = platform::systemErrorMessage(hr);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    if (text.empty()) return format("HRESULT 0x%8.8x", static_cast<uint32_t>(hr));
    return text;
}

std::string lastErrorText() {
    const int32_t hr = hresultFromWin32(platform::getLastError());
    std::string text = errorText(hr);
    if (text.rfind("HRESULT", 0) != 0)
        text += format(" (HRESULT 0x%8.8x)", static_cast<uint32_t>(hr));
    return text;
}

void throwIfFailed(int32_t hr, const std::string& message) {
    if (hr < 0) throw std::runtime_error(format("%s: %s", message.c_str(), errorText(hr).c_str()));
}

void throwLastError(const std::string& message) {
    throwIfFailed(hresultFromWin32(platform::getLastError()), message);
}
