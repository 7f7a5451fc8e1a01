#pragma once
// The launcher's failures. Ordinary errors are std::runtime_error with the text
// the log and the user need; the silent_exception family ends a sequence without
// a report, because the user has been told or nothing needs telling.

#include <cstdint>
#include <stdexcept>
#include <string>

class silent_exception : public std::exception {
public:
    explicit silent_exception(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

class cancel_exception : public silent_exception {
public:
    // userCancel: the user pressed Cancel; false when the run gave way to another launcher.
    explicit cancel_exception(bool userCancel)
        : silent_exception("Cancelled"), userCancel_(userCancel) {}
    bool userCancel() const { return userCancel_; }

private:
    bool userCancel_;
};

enum InstallerError : int32_t {
    kVistaElevation = 0,
    kBoostrapVersion = 1,
    kOSPreRequisite = 2,
    kDirectXPreRequisite = 3,
    kIEPreRequisite = 4,
    kDiskSpacePreRequisite = 5,
    kAdminAccountRequired = 6,
    kInstallerTimeout = 7,
    kAdminAccountRequiredWithoutUac = 8,
    kCpuPreRequisite = 9,  // has no name of its own: reports as "Unknown"
};

class installer_error_exception : public silent_exception {
public:
    explicit installer_error_exception(int32_t code)
        : silent_exception("InstallerError"), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

class non_zero_exit_exception : public silent_exception {
public:
    non_zero_exit_exception() : silent_exception("NonZeroExitException") {}
};

class previous_error : public silent_exception {
public:
    using silent_exception::silent_exception;
};

// A failure that carries an HRESULT, reported as "AtlException 0x%x".
class hresult_error : public std::exception {
public:
    explicit hresult_error(int32_t hr) : hr_(hr) {}
    int32_t hr() const { return hr_; }
    const char* what() const noexcept override { return "AtlException"; }

private:
    int32_t hr_;
};

std::string installerErrorName(int32_t code);
// "User Cancelled" or "Double Start Cancelled".
std::string cancelReason(const cancel_exception& e);

// HRESULT of a Win32 error code: 0 stays 0, others become 0x8007xxxx.
int32_t hresultFromWin32(uint32_t code);
// The system's text for an HRESULT, or "HRESULT 0x%8.8x" when it has none.
std::string errorText(int32_t hr);
// errorText of the last error, followed by " (HRESULT 0x%8.8x)".
std::string lastErrorText();
// Throws std::runtime_error "<message>: <errorText(hr)>" when hr is negative.
void throwIfFailed(int32_t hr, const std::string& message);
// throwIfFailed with the last error; returns when there is none.
void throwLastError(const std::string& message);
