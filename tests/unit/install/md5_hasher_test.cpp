#include "install/md5_hasher.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/md5.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {
std::string md5Of(const std::string& text) {
    std::istringstream in(text);
    Md5Hasher hasher;
    hasher.hashStream(in);
    return hasher.hexDigest();
}
}  // namespace

TEST(Md5Hasher, KnownVectors) {
    EXPECT_EQ(md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Of("The quick brown fox jumps over the lazy dog"),
              "9e107d9d372bb6826bd81d3542a419d6");
    // Larger than one read block.
    EXPECT_EQ(md5Of(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

// Manifests and ETags carry this text form; every tool hashes through it.
TEST(Md5Hasher, OneCallTextFormMatchesTheHasher) {
    EXPECT_EQ(platform::md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(platform::md5Hex("abc"), md5Of("abc"));
    EXPECT_EQ(platform::md5Hex(std::string("a\0b", 3)), md5Of(std::string("a\0b", 3)));
}

TEST(Md5Hasher, HashesFromTheStartAndKeepsTheDigest) {
    std::istringstream in("abc");
    std::string skipped;
    in >> skipped;  // at the end, eof set
    Md5Hasher hasher;
    hasher.hashStream(in);
    EXPECT_EQ(hasher.hexDigest(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(hasher.hexDigest(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Hasher, FilesAndUnreadableStreams) {
    TempDir temp;
    writeFile(temp.file("empty"), "");
    Md5Hasher empty;
    empty.hashFile(temp.file("empty"));
    EXPECT_EQ(empty.hexDigest(), "d41d8cd98f00b204e9800998ecf8427e");

    std::ifstream missing(temp.file("missing"), std::ios::binary);
    Md5Hasher fromMissing;
    fromMissing.hashStream(missing);
    EXPECT_EQ(fromMissing.hexDigest(), "d41d8cd98f00b204e9800998ecf8427e");

    Md5Hasher strict;
    EXPECT_THROW(strict.hashFile(temp.file("missing")), std::runtime_error);
}
