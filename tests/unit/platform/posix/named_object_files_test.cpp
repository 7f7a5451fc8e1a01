// Named objects as files of the user's runtime folder: names that another
// user took first, in a folder open to all or in our own, are never used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/event.h"
#include "platform/guid.h"
#include "platform/last_error.h"
#include "platform/posix/ipc_names.h"
#include "platform/shared_memory.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_process.h"

namespace {

std::string uniqueName(const std::string& prefix) {
    return prefix + "/" + platform::guidToString(platform::newGuid());
}

}  // namespace

TEST(NamedObjects, NamesTakenByAnotherUserNeitherBlockNorFeedUs) {
    if (!test_process::runningAsRoot()) GTEST_SKIP() << "acting as another user needs root";
    constexpr unsigned kOther = test_process::kNobodyId;
    TempDir run;
    ScopedEnv session("XDG_RUNTIME_DIR", run.path());
    std::vector<std::string> planted;
    auto plant = [&](const std::string& path, const std::string& content, unsigned mode) {
        std::ofstream(path, std::ios::binary) << content;
        ASSERT_TRUE(test_process::giveToUser(path, kOther, kOther));
        std::error_code error;
        std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode),
                                     std::filesystem::perm_options::replace, error);
        ASSERT_FALSE(error);
        planted.push_back(path);
    };
    // /dev/shm is open to every user: names taken there first must not matter.
    const std::string name = uniqueName("planted");
    const std::string shm =
        "/dev/shm/zorbit-" + std::to_string(test_process::currentUserId()) + "-";
    plant(shm + "event-" + platform::posix::escapeObjectName(name), "", 0600);
    plant(shm + "block-" + platform::posix::escapeObjectName(name), std::string("\x39\x30\0\0", 4),
          0666);
    EXPECT_TRUE(platform::Event::createNamed(name, true, false));
    auto block = platform::SharedMemory::createOrOpen(name, 4);
    ASSERT_TRUE(block);
    EXPECT_EQ(*static_cast<const uint32_t*>(block->data()), 0u) << "no planted record";

    // Our own folder holding a file of another user: refused, never used.
    const std::string foreign = uniqueName("foreign");
    std::filesystem::create_directories(run.file("zorbit"));
    plant(run.file("zorbit/event-" + platform::posix::escapeObjectName(foreign)), "", 0666);
    EXPECT_EQ(platform::Event::createNamed(foreign, true, false), nullptr);
    EXPECT_EQ(platform::getLastError(), platform::kErrorAccessDenied);

    // A session folder of another user (a root shell keeps the user's) is passed over.
    TempDir theirs;
    ASSERT_TRUE(test_process::giveToUser(theirs.path(), kOther, kOther));
    ScopedEnv otherSession("XDG_RUNTIME_DIR", theirs.path());
    EXPECT_TRUE(platform::Event::createNamed(uniqueName("elsewhere"), true, false));
    EXPECT_FALSE(std::filesystem::exists(theirs.file("zorbit")));
    std::error_code ignored;
    for (const auto& path : planted) std::filesystem::remove(path, ignored);
}
