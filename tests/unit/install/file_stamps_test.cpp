// The record of installed files vouches only for files nothing touched since.
#include "install/file_stamps.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/known_folders.h"
#include "support/file_contents.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace fs = std::filesystem;

namespace {

using Kind = FileStamps::Verdict::Kind;

class FileStampsTest : public ::testing::Test {
protected:
    TempDir temp;
    const std::string folder = temp.file("version") + platform::kPathSeparator;
    const std::string record = temp.file("record.txt");
    const std::string sub = std::string("sub") + platform::kPathSeparator;

    // A file as an unpacked one is: its time the entry's.
    void place(const std::string& relative, const std::string& bytes) {
        fs::create_directories(fs::path(folder + relative).parent_path());
        writeFile(folder + relative, bytes);
        fs::last_write_time(folder + relative,
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    }

    // The record as an update finds it.
    Kind judged(const std::string& relative, uint32_t crc, uint64_t size,
                const std::string& guid = "version-1") {
        FileStamps loaded;
        loaded.load(record, guid);
        return loaded.judge(relative, folder + relative, crc, size).kind;
    }
};

}  // namespace

TEST_F(FileStampsTest, AFileIsKnownUntilItIsWrittenReplacedOrItsTimeSetBack) {
    for (const char* name : {"kept", "rewritten", "replaced", "gone"}) place(sub + name, "12345");
    FileStamps stamps;
    for (const char* name : {"kept", "rewritten", "replaced", "gone"})
        stamps.add(sub + name, 0xC0FFEE, 5);
    // A file of another size than its entry's is none of its.
    stamps.add(sub + "resized", 0xC0FFEE, 6);
    place(sub + "resized", "12345");
    stamps.stamp(folder);
    ASSERT_TRUE(stamps.save(record, "version-1"));

    // Kernels without fine-grained change times see no change within their tick;
    // damage between runs comes later than that.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string path = folder + sub + "rewritten";
    const auto time = fs::last_write_time(path);
    writeFile(path, "54321");
    fs::last_write_time(path, time);
    writeFile(folder + sub + "new", "12345");
    fs::rename(folder + sub + "new", folder + sub + "replaced");
    fs::remove(folder + sub + "gone");

    EXPECT_EQ(judged(sub + "kept", 0xC0FFEE, 5), Kind::kSame);
    EXPECT_EQ(judged(sub + "kept", 0xBADBAD, 5), Kind::kDifferent);
    for (const char* name : {"rewritten", "replaced", "gone", "resized", "never"})
        EXPECT_EQ(judged(sub + name, 0xC0FFEE, 5), Kind::kUnknown) << name;
}

TEST_F(FileStampsTest, OnlyAWholePlainRecordOfTheInstalledVersionCounts) {
    place("a b.txt", "abc");
    FileStamps stamps;
    stamps.add("a b.txt", 7, 3);
    stamps.stamp(folder);
    ASSERT_TRUE(stamps.save(record, "version-1"));
    EXPECT_EQ(judged("a b.txt", 7, 3), Kind::kSame);
    EXPECT_EQ(judged("a b.txt", 7, 3, "version-2"), Kind::kUnknown);
    // A record with a second name could be someone else's file.
    fs::create_hard_link(record, temp.file("second name"));
    EXPECT_EQ(judged("a b.txt", 7, 3), Kind::kUnknown);
    fs::remove(temp.file("second name"));

    const std::string whole = readFile(record);
    writeFile(record, whole.substr(0, whole.rfind("end ")));
    EXPECT_EQ(judged("a b.txt", 7, 3), Kind::kUnknown);
    std::string damaged = whole;
    damaged[damaged.find(' ', damaged.find('\n')) + 1] = 'x';
    writeFile(record, damaged);
    EXPECT_EQ(judged("a b.txt", 7, 3), Kind::kUnknown);
}
