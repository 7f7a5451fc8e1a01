#include "install/copy_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/logger.h"
#include "install_env.h"
#include "support/test_process.h"
#include "zip_builder.h"

namespace fs = std::filesystem;

namespace {

std::string copyError(simple_logger& logger, const std::string& from, const std::string& to) {
    try {
        copyFile(logger, from, to);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(CopyFile, CopiesBytesAndLogs) {
    InstallEnv env;
    simple_logger logger;
    const std::string data = sampleBytes(3 * 1024 * 1024 + 5, 7);
    writeFile(env.temp.file("src"), data);
    writeFile(env.temp.file("dst"), std::string(5 * 1024 * 1024, 'x'));
    copyFile(logger, env.temp.file("src"), env.temp.file("dst"));
    EXPECT_EQ(readFile(env.temp.file("dst")), data);

    writeFile(env.temp.file("empty"), "");
    copyFile(logger, env.temp.file("empty"), env.temp.file("empty-copy"));
    EXPECT_TRUE(fs::exists(env.temp.file("empty-copy")));
    EXPECT_EQ(fs::file_size(env.temp.file("empty-copy")), 0u);

    EXPECT_NE(readLogFile(logger.fileName())
                  .find("Bootstrapper::copyFile src = " + env.temp.file("src") +
                        ", dst = " + env.temp.file("dst")),
              std::string::npos);
}

TEST(CopyFile, StreamsALargeFileInBoundedMemory) {
    InstallEnv env;
    simple_logger logger;
    // A sparse source costs no disk; the copy goes nowhere.
    const std::string source = env.temp.file("large");
    { std::ofstream(source, std::ios::binary); }
    fs::resize_file(source, 256ull * 1024 * 1024);
    test_process::resetPeakMemory();
    const long before = test_process::peakMemoryKiB();
    copyFile(logger, source, "/dev/null");
    const long growth = test_process::peakMemoryKiB() - before;
    if (before < 0) GTEST_SKIP() << "no peak resident size to read";
    EXPECT_LT(growth, 32 * 1024) << "peak grew by " << growth << " KiB";
}

TEST(CopyFile, FailuresNameTheStepAndThePath) {
    InstallEnv env;
    simple_logger logger;
    const std::string missing = env.temp.file("missing");
    EXPECT_EQ(copyError(logger, missing, env.temp.file("dst")),
              "Error opening srcFile='" + missing + "' for copy");
    writeFile(env.temp.file("src"), "data");
    const std::string badTarget = env.temp.file("no/such/folder/dst");
    EXPECT_EQ(copyError(logger, env.temp.file("src"), badTarget),
              "Error opening dstFile='" + badTarget + "' for copy");
    EXPECT_EQ(copyError(logger, env.temp.path(), env.temp.file("dst")).rfind("Error ", 0), 0u);
}
