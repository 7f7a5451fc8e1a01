#pragma once
// All-users installs write the machine's folders (/opt, /usr/local/share). Tests
// of them run their body in a child process with a mount namespace of its own,
// in which those folders are empty private file systems: the machine is never
// touched. Point the machine hive elsewhere first (RegistrySandbox does).

#include <functional>

enum class PrivateFoldersOutcome {
    Passed,
    Failed,       // an expectation failed in the body (it printed why)
    Unsupported,  // the system refuses private mounts here
};

// The body runs as root (inside a user namespace when the test is not root).
PrivateFoldersOutcome runWithPrivateMachineFolders(const std::function<void()>& body);

// Runs the body as above and turns the outcome into this test's result.
#define RUN_WITH_PRIVATE_MACHINE_FOLDERS(...)                                             \
    do {                                                                                  \
        const PrivateFoldersOutcome outcome_ = runWithPrivateMachineFolders(__VA_ARGS__); \
        if (outcome_ == PrivateFoldersOutcome::Unsupported)                               \
            GTEST_SKIP() << "private mounts are not available";                           \
        EXPECT_EQ(outcome_, PrivateFoldersOutcome::Passed) << "see the child's output";   \
    } while (0)
