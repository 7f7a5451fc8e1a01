#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "platform/registry.h"
#include "registry_test_keys.h"
#include "support/registry_sandbox.h"
#include "support/test_process.h"

using platform::RegistryHive;
using platform::RegistryKey;
using namespace registry_test;

namespace {

struct RegistryStore : ::testing::Test {
    RegistrySandbox sandbox;
};

}  // namespace

TEST_F(RegistryStore, NamesCompareWithoutCaseAndKeepTheirSpelling) {
    KeyPtr app = create(user(), "Software\\StudioQTZorbitReg");
    bool created = true;
    KeyPtr again;
    ASSERT_EQ(
        user().createKey("SOFTWARE\\studioqtzorbitreg", platform::kKeyReadWrite, again, &created),
        0u);
    EXPECT_FALSE(created);
    EXPECT_EQ(again->path(), "SOFTWARE\\studioqtzorbitreg");
    EXPECT_EQ(again->fullName(), "HKEY_CURRENT_USER\\SOFTWARE\\studioqtzorbitreg");

    ASSERT_EQ(app->setString("Install Host", "first"), 0u);
    ASSERT_EQ(again->setString("INSTALL HOST", "second"), 0u);
    EXPECT_EQ(readString(*app, "install host"), "second");
    EXPECT_EQ(valueNames(*app), std::set<std::string>{"Install Host"});

    KeyPtr software;
    ASSERT_EQ(user().openKey("software", platform::kKeyRead, software), 0u);
    std::string name;
    uint32_t index = 0;
#ifdef _WIN32
    // The test's private hive holds the shell's folder values under Software\Microsoft.
    ASSERT_EQ(software->enumKey(index++, name), 0u);
    EXPECT_EQ(name, "Microsoft");
#endif
    ASSERT_EQ(software->enumKey(index++, name), 0u);
    EXPECT_EQ(name, "StudioQTZorbitReg");
    EXPECT_EQ(software->enumKey(index, name), platform::kErrorNoMoreItems);
    // Only ASCII letters fold: other characters must match exactly (Windows
    // folds every letter).
    create(user(), "Software\\Ärger");
    KeyPtr other;
#ifndef _WIN32
    EXPECT_EQ(user().openKey("Software\\äRGER", platform::kKeyRead, other),
              platform::kErrorFileNotFound);
#endif
    EXPECT_EQ(user().openKey("Software\\ÄrGER", platform::kKeyRead, other), 0u);
}

TEST_F(RegistryStore, EnumerationOrders) {
    if (test_process::runningUnderWine())
        GTEST_SKIP()
            << "Wine enumerates a key's values sorted by name; Windows in the order they were made";
    KeyPtr key = create(user(), "Software\\Order");
    for (const char* name : {"b", "C", "a"}) create(*key, name);
    for (const char* name : {"z", "y", "x"}) key->setString(name, name);
    key->setString("Z", "again");  // an update keeps the value's place
    std::vector<std::string> keys, values;
    std::string name;
    for (uint32_t i = 0; key->enumKey(i, name) == 0; ++i) keys.push_back(name);
    for (uint32_t i = 0; key->enumValue(i, name) == 0; ++i) values.push_back(name);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "C"}));
    EXPECT_EQ(values, (std::vector<std::string>{"z", "y", "x"}));
}

TEST_F(RegistryStore, ValueTypesAndTheDefaultValue) {
    KeyPtr key = create(user(), "Software\\Types");
    ASSERT_EQ(key->setString("", "default text"), 0u);
    ASSERT_EQ(key->setString("path", "%HOME%/x", platform::kRegExpandSz), 0u);
    ASSERT_EQ(key->setDword("NoModify", 0x01020304), 0u);
    EXPECT_EQ(key->setString("bad", "x", platform::kRegDword), platform::kErrorInvalidParameter);

    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(key->queryValue("", type, data), 0u);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(data.size(), std::string("default text").size() + 1);
    EXPECT_EQ(data.back(), 0);
    ASSERT_EQ(key->queryValue("path", type, data), 0u);
    EXPECT_EQ(type, platform::kRegExpandSz);
    ASSERT_EQ(key->queryValue("nomodify", type, data), 0u);
    EXPECT_EQ(type, platform::kRegDword);
    EXPECT_EQ(data, (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(readString(*key, "NoModify"), "<status 1630>");
    EXPECT_EQ(readString(*key, ""), "default text");
    EXPECT_EQ(readString(*key, "path"), "%HOME%/x");
}

TEST_F(RegistryStore, Win32QueryBuffers) {
    KeyPtr key = create(user(), "Software\\Buffers");
    ASSERT_EQ(key->setString("v", "12345"), 0u);
    uint32_t type = 0, bytes = 0;
    EXPECT_EQ(key->queryValue("v", &type, nullptr, &bytes), 0u);
    EXPECT_EQ(bytes, 6u);
    char buffer[8] = {};
    bytes = 5;
    EXPECT_EQ(key->queryValue("v", &type, buffer, &bytes), platform::kErrorMoreData);
    EXPECT_EQ(bytes, 6u);
    bytes = sizeof buffer;
    EXPECT_EQ(key->queryValue("v", &type, buffer, &bytes), 0u);
    EXPECT_STREQ(buffer, "12345");
    EXPECT_EQ(key->queryValue("missing", &type, nullptr, &bytes), platform::kErrorFileNotFound);
}

TEST_F(RegistryStore, StringReadsCountWideCharactersWithTheirNul) {
    KeyPtr key = create(user(), "Software\\Strings");
    key->setString("63", std::string(63, 'x'));
    key->setString("64", std::string(64, 'x'));
    EXPECT_EQ(readString(*key, "63", 64), std::string(63, 'x'));
    EXPECT_EQ(readString(*key, "64", 64), "<status 234>");
    // Two bytes, one wide character; four bytes, a surrogate pair.
    key->setString("umlauts", "\xC3\xA4\xC3\xA4");
    EXPECT_EQ(readString(*key, "umlauts", 3), "\xC3\xA4\xC3\xA4");
    key->setString("emoji", "\xF0\x9F\x98\x80");
    EXPECT_EQ(readString(*key, "emoji", 2), "<status 234>");
    EXPECT_EQ(readString(*key, "emoji", 3), "\xF0\x9F\x98\x80");
    // Data without its NUL is no string (Wine's registry adds the NUL when reading).
    key->setValue("raw", platform::kRegSz, "abc", 3);
    if (!test_process::runningUnderWine()) {
        EXPECT_EQ(readString(*key, "raw"), "<status 13>");
    }
}

TEST_F(RegistryStore, MissingKeysValuesAndItems) {
    KeyPtr key = create(user(), "Software\\Missing");
    KeyPtr none;
    EXPECT_EQ(user().openKey("Software\\Nothing\\Here", platform::kKeyRead, none),
              platform::kErrorFileNotFound);
    EXPECT_EQ(key->deleteValue("none"), platform::kErrorFileNotFound);
    EXPECT_EQ(key->deleteKey("none"), platform::kErrorFileNotFound);
    EXPECT_EQ(key->deleteTree("none"), platform::kErrorFileNotFound);
    std::string name;
    EXPECT_EQ(key->enumValue(0, name), platform::kErrorNoMoreItems);
}

TEST_F(RegistryStore, MalformedPathsAreRefused) {
    KeyPtr key;
    for (const char* path : {"Software\\", "\\Software", "Software\\\\Classes"}) {
        EXPECT_EQ(user().createKey(path, platform::kKeyReadWrite, key),
                  platform::kErrorInvalidParameter)
            << path;
    }
    EXPECT_EQ(user().createKey(std::string(256, 'k'), platform::kKeyReadWrite, key),
              platform::kErrorInvalidParameter);
    // An empty path would delete the key itself or the whole hive.
    EXPECT_EQ(user().deleteTree(""), platform::kErrorInvalidParameter);
    EXPECT_EQ(user().deleteKey(""), platform::kErrorInvalidParameter);
}

TEST_F(RegistryStore, DeletingKeys) {
    KeyPtr classes = create(user(), "Software\\Classes");
    KeyPtr scheme = create(*classes, "zorbit-studio\\shell\\open\\command");
    scheme->setString("", "launcher %1");
    // A key with subkeys cannot be deleted on its own.
    EXPECT_EQ(classes->deleteKey("zorbit-studio"), platform::kErrorAccessDenied);
    EXPECT_EQ(classes->deleteKey("zorbit-studio\\shell\\open\\command"), 0u);
    EXPECT_EQ(classes->deleteTree("ZORBIT-STUDIO"), 0u);
    KeyPtr gone;
    EXPECT_EQ(classes->openKey("zorbit-studio", platform::kKeyRead, gone),
              platform::kErrorFileNotFound);
    std::string name;
    EXPECT_EQ(classes->enumKey(0, name), platform::kErrorNoMoreItems);
}

TEST_F(RegistryStore, HandleOfADeletedKeyFailsCleanly) {
    KeyPtr held = create(user(), "Software\\Held");
    held->setString("v", "1");
    ASSERT_EQ(user().deleteTree("Software\\Held"), 0u);
    std::string text, name;
    KeyPtr child;
    EXPECT_EQ(held->setString("v", "2"), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->queryString("v", 64, text), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->deleteValue("v"), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->enumKey(0, name), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->enumValue(0, name), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->createKey("sub", platform::kKeyReadWrite, child), platform::kErrorKeyDeleted);
    EXPECT_EQ(held->openKey("", platform::kKeyRead, child), platform::kErrorKeyDeleted);
    // A new key of the same name is another key: the old handle stays dead.
    create(user(), "Software\\Held");
    EXPECT_EQ(held->setString("v", "3"), platform::kErrorKeyDeleted);
}

TEST_F(RegistryStore, AccessRightsOfAHandle) {
    create(user(), "Software\\Rights");
    KeyPtr reader;
    ASSERT_EQ(user().openKey("Software\\Rights", platform::kKeyRead, reader), 0u);
    EXPECT_EQ(reader->setString("v", "x"), platform::kErrorAccessDenied);
    EXPECT_EQ(reader->deleteTree("x"), platform::kErrorAccessDenied);
    KeyPtr child;
    EXPECT_EQ(reader->createKey("x", platform::kKeyReadWrite, child), platform::kErrorAccessDenied);
    KeyPtr writer;
    ASSERT_EQ(user().openKey("Software\\Rights", platform::kKeyWrite, writer), 0u);
    std::string text;
    EXPECT_EQ(writer->queryString("v", 64, text), platform::kErrorAccessDenied);
}

TEST_F(RegistryStore, ThreadsWriteTheSameKey) {
    constexpr int kThreads = 4, kValues = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kValues; ++i) {
                KeyPtr key;
                // Every thread also races to create the same keys.
                ASSERT_EQ(
                    user().createKey("Software\\ZorbitReg\\ETags", platform::kKeyReadWrite, key),
                    0u);
                ASSERT_EQ(key->setString("t" + std::to_string(t) + "-" + std::to_string(i), "e"),
                          0u);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    KeyPtr key;
    ASSERT_EQ(user().openKey("Software\\ZorbitReg\\ETags", platform::kKeyRead, key), 0u);
    EXPECT_EQ(valueNames(*key).size(), static_cast<size_t>(kThreads * kValues));
}

TEST(RegistryNames, HivesAndWideLengths) {
    RegistryHive hive{};
    EXPECT_TRUE(platform::parseHiveName("hkcu", hive));
    EXPECT_EQ(hive, RegistryHive::CurrentUser);
    EXPECT_TRUE(platform::parseHiveName("HKEY_LOCAL_MACHINE", hive));
    EXPECT_EQ(hive, RegistryHive::LocalMachine);
    EXPECT_FALSE(platform::parseHiveName("HKCR", hive));
    EXPECT_EQ(platform::utf16Length("abc"), 3u);
    EXPECT_EQ(platform::utf16Length("\xC3\xA4"), 1u);
    EXPECT_EQ(platform::utf16Length("\xE2\x82\xAC"), 1u);
    EXPECT_EQ(platform::utf16Length("\xF0\x9F\x98\x80"), 2u);
}
