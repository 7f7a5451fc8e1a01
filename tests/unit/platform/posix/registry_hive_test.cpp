// The registry's hives as files of their own: where they live, their rights,
// and a store that stays whole when writers race or die.
#include "platform/posix/registry_hive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/registry.h"
#include "support/registry_sandbox.h"
#include "support/test_process.h"
#include "unit/platform/registry_test_keys.h"

using platform::RegistryHive;
using platform::RegistryKey;
using namespace registry_test;

namespace {

namespace fs = std::filesystem;

fs::perms rightsOf(const std::string& path) {
    return fs::status(path).permissions() & fs::perms::all;
}

void setRights(const std::string& path, unsigned rights) {
    std::error_code ignored;
    fs::permissions(path, static_cast<fs::perms>(rights), fs::perm_options::replace, ignored);
}

struct RegistryHiveFiles : ::testing::Test {
    RegistrySandbox sandbox;
};

}  // namespace

TEST_F(RegistryHiveFiles, HivesLiveInTheConfigAndMachineStateFolders) {
    EXPECT_EQ(platform::registryHiveFile(RegistryHive::CurrentUser), sandbox.userHiveFile());
    EXPECT_EQ(platform::registryHiveFile(RegistryHive::LocalMachine), sandbox.machineHiveFile());
    {
        ScopedEnv noOverride("ZORBIT_MACHINE_STATE_DIR", "");
        EXPECT_EQ(platform::registryHiveFile(RegistryHive::LocalMachine),
                  "/var/lib/zorbit/registry.db");
    }
}

TEST_F(RegistryHiveFiles, ReadingCreatesNothing) {
    KeyPtr key;
    EXPECT_EQ(user().openKey("Software", platform::kKeyRead, key), platform::kErrorFileNotFound);
    std::string name;
    EXPECT_EQ(user().enumKey(0, name), platform::kErrorNoMoreItems);
    EXPECT_FALSE(std::filesystem::exists(sandbox.userHiveFile()));
    EXPECT_FALSE(std::filesystem::exists(sandbox.machineFolder()));
}

TEST_F(RegistryHiveFiles, HiveFilesGetTheirRightsWhateverTheUmask) {
    const unsigned old = test_process::setCreationMask(077);
    create(user(), "Software\\A");
    create(machine(), "Software\\A");
    test_process::setCreationMask(old);
    ASSERT_TRUE(fs::exists(sandbox.userHiveFile()));
    EXPECT_EQ(rightsOf(sandbox.userHiveFile()), fs::perms(0600));
    ASSERT_TRUE(fs::exists(sandbox.machineHiveFile()));
    EXPECT_EQ(rightsOf(sandbox.machineHiveFile()), fs::perms(0644));
    ASSERT_TRUE(fs::exists(sandbox.machineFolder()));
    EXPECT_EQ(rightsOf(sandbox.machineFolder()), fs::perms(0755));
    ASSERT_TRUE(fs::exists(sandbox.machineHiveFile() + "-shm"));
    EXPECT_EQ(rightsOf(sandbox.machineHiveFile() + "-shm"), fs::perms(0644));
}

TEST_F(RegistryHiveFiles, TwoProcessesWriteTheSameKeyAtOnce) {
    constexpr int kValues = 150;
    test_process::StartGate go;
    std::vector<test_process::Child> children;
    for (int c = 0; c < 2; ++c) {
        children.emplace_back([&go, c] {
            if (!go.pass()) return 3;
            for (int i = 0; i < kValues; ++i) {
                KeyPtr key;
                if (user().createKey("Software\\Shared", platform::kKeyReadWrite, key) != 0)
                    return 1;
                if (key->setString("p" + std::to_string(c) + "-" + std::to_string(i), "x") != 0)
                    return 2;
                if (key->setString("", std::to_string(i)) != 0) return 2;
            }
            return 0;
        });
    }
    ASSERT_TRUE(go.open(2));
    for (test_process::Child& child : children) {
        const int code = child.wait();
        EXPECT_EQ(code, 0) << code;
    }
    KeyPtr key;
    ASSERT_EQ(user().openKey("Software\\Shared", platform::kKeyRead, key), 0u);
    EXPECT_EQ(valueNames(*key).size(), static_cast<size_t>(2 * kValues + 1));
    EXPECT_EQ(readString(*key, ""), std::to_string(kValues - 1));
    EXPECT_TRUE(platform::registryHiveIntact(RegistryHive::CurrentUser));
}

TEST_F(RegistryHiveFiles, WriterKilledMidTransactionLeavesAReadableStore) {
    constexpr size_t kBlob = 256 * 1024;
    create(user(), "Software\\Killed");
    test_process::Child child([] {
        KeyPtr key;
        if (user().openKey("Software\\Killed", platform::kKeyReadWrite, key) != 0) return 1;
        for (int i = 0;; ++i) {
            const std::vector<uint8_t> blob(kBlob, static_cast<uint8_t>(i));
            key->setValue("v" + std::to_string(i), platform::kRegBinary, blob.data(), blob.size());
            if (i % 8 == 7) user().deleteTree("Software\\Killed\\tree");
            KeyPtr tree;
            user().createKey("Software\\Killed\\tree\\a\\b", platform::kKeyReadWrite, tree);
        }
    });
    KeyPtr key;
    ASSERT_EQ(user().openKey("Software\\Killed", platform::kKeyRead, key), 0u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    uint32_t bytes = 0;
    while (key->queryValue("v5", nullptr, nullptr, &bytes) != 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(7));
    child.kill();
    child.wait();
    ASSERT_TRUE(child.wasKilled());

    EXPECT_TRUE(platform::registryHiveIntact(RegistryHive::CurrentUser));
    std::string name;
    int complete = 0;
    for (uint32_t i = 0; key->enumValue(i, name) == 0; ++i) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        ASSERT_EQ(key->queryValue(name, type, data), 0u);
        ASSERT_EQ(data.size(), kBlob) << name;
        const uint8_t expected = static_cast<uint8_t>(std::stoi(name.substr(1)));
        EXPECT_EQ(std::count(data.begin(), data.end(), expected), static_cast<long>(kBlob));
        ++complete;
    }
    EXPECT_GE(complete, 6);
    KeyPtr writer;
    ASSERT_EQ(user().openKey("Software\\Killed", platform::kKeyReadWrite, writer), 0u);
    EXPECT_EQ(writer->setString("after", "ok"), 0u);
    EXPECT_EQ(readString(*key, "after"), "ok");
}

TEST_F(RegistryHiveFiles, MachineHiveIsWrittenByRootOnly) {
    sandbox.openToOtherUsers();
    KeyPtr key = create(machine(), "SOFTWARE\\StudioQTZorbitReg");
    ASSERT_EQ(key->setString("version", "v-machine"), 0u);
    if (!test_process::runningAsRoot()) {
        // Not root: a hive the user cannot write stands in for root's.
        setRights(sandbox.machineFolder(), 0555);
        setRights(sandbox.machineHiveFile(), 0444);
    }
    const int result = test_process::runInChild([&] {
        if (test_process::runningAsRoot() && !test_process::becomeNobody()) return 10;
        KeyPtr reader, writer, created;
        if (machine().openKey("SOFTWARE\\StudioQTZorbitReg", platform::kKeyRead, reader) != 0)
            return 11;
        std::string text;
        if (reader->queryString("version", 64, text) != 0 || text != "v-machine") return 12;
        if (machine().createKey("SOFTWARE\\Other", platform::kKeyReadWrite, created) !=
            platform::kErrorAccessDenied)
            return 13;
        if (machine().openKey("SOFTWARE\\StudioQTZorbitReg", platform::kKeyReadWrite, writer) !=
            platform::kErrorAccessDenied)
            return 14;
        if (machine().deleteTree("SOFTWARE") != platform::kErrorAccessDenied) return 15;
        return 0;
    });
    setRights(sandbox.machineFolder(), 0755);
    setRights(sandbox.machineHiveFile(), 0644);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readString(*key, "version"), "v-machine");
}

TEST_F(RegistryHiveFiles, FlushKeepsTheData) {
    KeyPtr key = create(user(), "Software\\Flush");
    key->setString("v", "x");
    EXPECT_EQ(key->flush(), 0u);
    EXPECT_EQ(readString(*key, "v"), "x");
    EXPECT_TRUE(platform::registryHiveIntact(RegistryHive::CurrentUser));
}
