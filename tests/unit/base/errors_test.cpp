#include "base/errors.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/last_error.h"
#include "support/test_process.h"
#ifndef _WIN32
#include "platform/posix/errno_error.h"
#endif

TEST(InstallerErrorNames, KnownCodesAndUnknown) {
    EXPECT_EQ(installerErrorName(0), "VistaElevation");
    EXPECT_EQ(installerErrorName(1), "BoostrapVersion");
    EXPECT_EQ(installerErrorName(5), "DiskSpacePreRequisite");
    EXPECT_EQ(installerErrorName(8), "AdminAccountRequiredWithoutUac");
    EXPECT_EQ(installerErrorName(9), "Unknown");
    EXPECT_EQ(installerErrorName(-1), "Unknown");
}

TEST(InstallerErrorNames, CancelReasons) {
    EXPECT_EQ(cancelReason(cancel_exception(true)), "User Cancelled");
    EXPECT_EQ(cancelReason(cancel_exception(false)), "Double Start Cancelled");
}

TEST(ExceptionTexts, AreTheSystemsOwn) {
    EXPECT_STREQ(cancel_exception(true).what(), "Cancelled");
    EXPECT_STREQ(installer_error_exception(2).what(), "InstallerError");
    EXPECT_STREQ(non_zero_exit_exception().what(), "NonZeroExitException");
    const silent_exception& asSilent = installer_error_exception(3);
    EXPECT_EQ(dynamic_cast<const installer_error_exception&>(asSilent).code(), 3);
}

TEST(LastErrorText, AppendsTheHresult) {
    if (test_process::runningUnderWine())
        GTEST_SKIP()
            << "Wine's system message texts differ from Windows' (and it describes more codes)";
    platform::setLastError(2);
    EXPECT_EQ(lastErrorText(), "The system cannot find the file specified. (HRESULT 0x80070002)");
    platform::setLastError(5);
    EXPECT_EQ(lastErrorText(), "Access is denied. (HRESULT 0x80070005)");
}

TEST(LastErrorText, UndescribedCodeHasNoSecondSuffix) {
    if (test_process::runningUnderWine())
        GTEST_SKIP()
            << "Wine's system message texts differ from Windows' (and it describes more codes)";
    platform::setLastError(0x3039);
    EXPECT_EQ(lastErrorText(), "HRESULT 0x80073039");
    EXPECT_EQ(errorText(static_cast<int32_t>(0x80004005u)), "HRESULT 0x80004005");
}

TEST(ThrowHelpers, ThrowOnlyOnFailure) {
    if (test_process::runningUnderWine())
        GTEST_SKIP()
            << "Wine's system message texts differ from Windows' (and it describes more codes)";
    EXPECT_NO_THROW(throwIfFailed(0, "step"));
    EXPECT_NO_THROW(throwIfFailed(1, "step"));
    try {
        throwIfFailed(static_cast<int32_t>(0x80070005u), "Failed to create key");
        FAIL() << "no throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create key: Access is denied.");
    }
    platform::setLastError(0);
    EXPECT_NO_THROW(throwLastError("nothing"));
    platform::setLastError(112);
    EXPECT_THROW(throwLastError("write"), std::runtime_error);
}

TEST(LastError, IsPerThreadAndMappedFromErrno) {
#ifdef _WIN32
    GTEST_SKIP() << "errno values are the POSIX build's; Windows sets its own codes";
#else
    EXPECT_EQ(platform::win32ErrorFromErrno(ENOENT), 2u);
    EXPECT_EQ(platform::win32ErrorFromErrno(EACCES), 5u);
    EXPECT_EQ(platform::win32ErrorFromErrno(ENOSPC), 112u);
    EXPECT_EQ(platform::win32ErrorFromErrno(EEXIST), 183u);
#endif
}

TEST(LastError, FileSystemErrorsMapAsTheSystemsOwn) {
    std::error_code error;
    std::filesystem::create_directory("/no-such-folder-anywhere/child", error);
    ASSERT_TRUE(error);
    EXPECT_EQ(platform::win32ErrorFromErrorCode(error), platform::kErrorFileNotFound);
    EXPECT_EQ(platform::win32ErrorFromErrorCode(std::make_error_code(std::errc::file_exists)),
              platform::kErrorAlreadyExists);
}
