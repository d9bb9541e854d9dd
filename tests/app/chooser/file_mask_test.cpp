// File-name masks and the folder listings built on them.
#include "chooser/file_mask.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "chooser/folder_listing.h"

namespace vistel {
namespace {

TEST(FileMask, WildcardsIgnoreCase) {
  EXPECT_TRUE(matchesPattern("photo.JPG", "*.Jpg"));
  EXPECT_TRUE(matchesPattern("PHOTO.jpg", "*.Jpg"));
  EXPECT_FALSE(matchesPattern("photo.jpeg", "*.Jpg"));
  EXPECT_FALSE(matchesPattern("photo.jpg.txt", "*.Jpg"));
  EXPECT_TRUE(matchesPattern("a.b.jpg", "*.Jpg"));
  EXPECT_TRUE(matchesPattern("ab.bmp", "??.bmp"));
  EXPECT_FALSE(matchesPattern("abc.bmp", "??.bmp"));
  EXPECT_TRUE(matchesPattern("x", "*"));
  EXPECT_TRUE(matchesPattern("aXbXc", "a*b*c"));
  EXPECT_FALSE(matchesPattern("aXbXd", "a*b*c"));
  // "?" takes one character, not one byte, of a UTF-8 name.
  EXPECT_TRUE(matchesPattern("\xE8\x8A\xB1.bmp", "?.bmp"));
  // Bytes that are not UTF-8 still match the star.
  EXPECT_TRUE(matchesPattern("\xFF\xFE.bmp", "*.BMP"));
}

TEST(FileMask, EmptyPatternsMatchNothing) {
  EXPECT_FALSE(matchesPattern("a.jpg", ""));
  EXPECT_FALSE(matchesMask("a.jpg", ""));
  EXPECT_FALSE(matchesMask("", ";"));
  EXPECT_TRUE(matchesMask("a.jpg", ";*.Jpg"));
  EXPECT_FALSE(matchesMask("a.bmp", ";*.Jpg"));
  EXPECT_TRUE(matchesMask("a.bmp", "*.Bmp;*.Jpg"));
  EXPECT_TRUE(matchesMask("a.JPG", "*.Bmp;*.Jpg"));
}

TEST(FileMask, TypeBoxesGiveTheFourMasks) {
  EXPECT_EQ(maskFor(true, true), "*.Bmp;*.Jpg");
  EXPECT_EQ(maskFor(true, false), "*.Bmp");
  EXPECT_EQ(maskFor(false, true), ";*.Jpg");
  EXPECT_EQ(maskFor(false, false), "");
}

TEST(FileMask, LoaderTellsJpegByExtensionOnly) {
  EXPECT_TRUE(isJpegName("a.JPG"));
  EXPECT_TRUE(isJpegName("a.jPg"));
  EXPECT_FALSE(isJpegName("a.jpeg"));
  EXPECT_FALSE(isJpegName("jpg"));
  EXPECT_FALSE(isJpegName("a.jpg.bmp"));
}

TEST(FolderListing, PathChainAndJoin) {
  EXPECT_EQ(pathChain("/"), (std::vector<std::string>{"/"}));
  EXPECT_EQ(pathChain("/a/bc"), (std::vector<std::string>{"/", "/a", "/a/bc"}));
  EXPECT_EQ(joinPath("/", "x.bmp"), "//x.bmp");
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-mask-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  void touch(const std::string& name) { std::ofstream(dir_ + "/" + name) << "x"; }
  std::string dir_;
};

TEST_F(TempFolder, FilesSortedWithoutCaseHiddenAndFoldersLeftOut) {
  touch("b.jpg");
  touch("A.BMP");
  touch("c.Bmp");
  touch(".hidden.bmp");
  touch("notes.txt");
  touch("\xFF\xFE.bmp");  // not UTF-8
  ASSERT_EQ(mkdir((dir_ + "/dir.bmp").c_str(), 0755), 0);
  ASSERT_EQ(symlink("loop.bmp", (dir_ + "/loop.bmp").c_str()), 0);  // a link to itself
  ASSERT_EQ(symlink("b.jpg", (dir_ + "/link.jpg").c_str()), 0);
  const auto files = listMatchingFiles(dir_, "*.Bmp;*.Jpg");
  EXPECT_EQ(files,
            (std::vector<std::string>{"A.BMP", "b.jpg", "c.Bmp", "link.jpg", "\xFF\xFE.bmp"}));
  EXPECT_TRUE(listMatchingFiles(dir_, "").empty());
  EXPECT_EQ(listSubfolders(dir_), (std::vector<std::string>{"dir.bmp"}));
}

TEST_F(TempFolder, UnreadableOrMissingFolderListsNothing) {
  EXPECT_TRUE(listMatchingFiles(dir_ + "/missing", "*.Bmp").empty());
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  touch("a.bmp");
  chmod(dir_.c_str(), 0);
  EXPECT_TRUE(listMatchingFiles(dir_, "*.Bmp").empty());
  chmod(dir_.c_str(), 0755);
}

}  // namespace
}  // namespace vistel
