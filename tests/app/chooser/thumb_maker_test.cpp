// Thumbnails: the row-skipping decode against the full decode, stopping,
// and files that must fail cleanly.
#include "chooser/thumb_maker.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "chooser/file_mask.h"
#include "chooser/thumb_cache.h"
#include "chooser_fixture.h"
#include "pictures/picture.h"

namespace vistel {
namespace {

using testing_support::bmp24Header;

bool sameBitmap(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

std::vector<std::string> samplePictures() {
  std::vector<std::string> names;
  DIR* d = opendir(VISTEL_SAMPLES);
  while (const dirent* e = d != nullptr ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') names.emplace_back(e->d_name);
  if (d != nullptr) closedir(d);
  return names;
}

TEST(ThumbMaker, IdenticalToTheFullDecodeOnTheSamples) {
  const auto names = samplePictures();
  ASSERT_GE(names.size(), 12u);
  int compared = 0;
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    const std::string path = std::string(VISTEL_SAMPLES) + "/" + n;
    // ".jpeg" is not the loader's JPEG extension; decode every sample as
    // what it is so that both kinds are compared.
    const bool jpeg = isJpegName(n) || n.ends_with(".jpeg");
    const Bitmap fast = makeThumbnail(path, jpeg);
    const Bitmap full = thumbnailByFullDecode(path, jpeg);
    EXPECT_EQ(fast.width(), 93);
    EXPECT_TRUE(sameBitmap(fast, full));
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(names.size()));
}

class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-thumb-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string p = dir_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string dir_;
};

TEST_F(Scratch, PictureSitsTopLeftOnWhite) {
  // A 4 x 2 red 24-bit BMP in a 4 x 4 source square: thumbnail rows 0-45
  // take source rows 0 and 1, rows from 46 on lie below the picture.
  std::string bmp = bmp24Header(4, 2);
  std::string rows;
  for (int i = 0; i < 8; ++i) rows += std::string("\x00\x00\xFF", 3);
  bmp += rows;
  const Bitmap t = makeThumbnail(write("r.bmp", bmp), false);
  EXPECT_EQ(t.pixel(92, 0), 0xFF0000u);
  EXPECT_EQ(t.pixel(0, 45), 0xFF0000u);  // source row 1
  EXPECT_EQ(t.pixel(92, 46), kWhite);    // source row 2 lies below the picture
  EXPECT_TRUE(sameBitmap(t, thumbnailByFullDecode(dir_ + "/r.bmp", false)));
}

// Rows read one by one from the file give what the whole-file reader
// gives: top-down rows, a file cut off in the middle of its pixels (the
// missing rows filled), an empty file.
TEST_F(Scratch, BmpRowsReadAloneMatchTheFullDecode) {
  auto bmp24 = [](int w, int h, bool topDown) {
    const int stride = (w * 3 + 3) & ~3;
    std::string b = bmp24Header(w, topDown ? -h : h);
    for (int y = 0; y < h; ++y) {
      std::string row(static_cast<std::size_t>(stride), '\0');
      for (int x = 0; x < w; ++x) {
        row[x * 3] = static_cast<char>(x * 5);
        row[x * 3 + 1] = static_cast<char>(y * 3);
        row[x * 3 + 2] = static_cast<char>(x + y);
      }
      b += row;
    }
    return b;
  };
  const std::string tall = bmp24(150, 301, false);
  const std::string wide = bmp24(307, 120, true);
  for (const auto& [name, bytes] :
       {std::pair{"tall.bmp", tall}, std::pair{"wide.bmp", wide},
        std::pair{"cut.bmp", tall.substr(0, 54 + 452 * 150 + 200)},
        std::pair{"cut_top_down.bmp", wide.substr(0, 54 + 924 * 40 + 7)},
        std::pair{"empty.bmp", std::string()}}) {
    SCOPED_TRACE(name);
    const std::string path = write(name, bytes);
    EXPECT_TRUE(sameBitmap(makeThumbnail(path, false), thumbnailByFullDecode(path, false)));
  }
  EXPECT_EQ(makeThumbnail(dir_ + "/empty.bmp", false).pixel(0, 0), kWhite);
}

TEST_F(Scratch, BadFilesFailCleanly) {
  EXPECT_THROW(makeThumbnail(write("e.jpg", ""), true), PictureError);
  EXPECT_THROW(makeThumbnail(write("j.bmp", "\xFF\xD8\xFF\xE0garbage"), false), PictureError);
  EXPECT_THROW(makeThumbnail(dir_ + "/missing.jpg", true), PictureError);
  EXPECT_THROW(makeThumbnail(dir_, true), PictureError);  // a folder
  ASSERT_EQ(mkfifo((dir_ + "/pipe.jpg").c_str(), 0644), 0);
  EXPECT_THROW(makeThumbnail(dir_ + "/pipe.jpg", true), PictureError);  // must not block
  ASSERT_EQ(mkfifo((dir_ + "/pipe.bmp").c_str(), 0644), 0);
  EXPECT_THROW(makeThumbnail(dir_ + "/pipe.bmp", false), PictureError);
  EXPECT_THROW(makeThumbnail(dir_ + "/missing.bmp", false), PictureError);
}

TEST_F(Scratch, HugeHostileHeaderIsRefusedBeforeAllocating) {
  // A BMP claiming 60000 x 60000 pixels with no pixel data.
  EXPECT_THROW(makeThumbnail(write("huge.bmp", bmp24Header(60000, 60000)), false), PictureError);
}

// Thumbnails of the files in `dir` with at most 64 MiB more address space
// than the process has: the copies of samples give the samples' thumbnails,
// the cut and wide files give one, the hole fails cleanly. Returns the
// failures.
int thumbnailsWithinLimit(const std::string& dir) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line) && line.rfind("VmSize:", 0) != 0) {
  }
  const rlim_t limit = (std::stoull(line.substr(7)) << 10) + (rlim_t{64} << 20);
  const rlimit as{limit, limit};
  setrlimit(RLIMIT_AS, &as);
  int failed = 0;
  for (const char* name :
       {"rose.jpg", "Lighthouse.Jpg", "Stained_Glass.BMP", "cut.jpg", "wide.bmp", "hole.jpg"}) {
    const std::string sample = std::string(VISTEL_SAMPLES) + "/" + name;
    const bool hole = name[0] == 'h', jpeg = isJpegName(name);
    bool ok = false;
    try {
      const Bitmap t = makeThumbnail(dir + "/" + name, jpeg);
      ok = !hole && (access(sample.c_str(), F_OK) != 0 ||
                     sameBitmap(t, thumbnailByFullDecode(sample, jpeg)));
    } catch (const std::exception& e) {
      ok = hole && dynamic_cast<const PictureError*>(&e) != nullptr;
      if (!ok) std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    failed += ok ? 0 : 1;
  }
  return failed;
}

// Files of 4 GiB that are a few real bytes and then a hole: a thumbnail
// reads the header and what the decoder needs, never the whole file.
TEST_F(Scratch, SparseGigabyteFilesTakeLittleMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory leaves no room for an address-space limit";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::ifstream in(VISTEL_SAMPLES "/rose.jpg", std::ios::binary);
  const std::string rose((std::istreambuf_iterator<char>(in)), {});
  write("hole.jpg", "");
  write("cut.jpg", rose.substr(0, rose.size() / 2));
  write("wide.bmp", bmp24Header(16000, 16000));
  ASSERT_EQ(std::system(("cp " VISTEL_SAMPLES "/rose.jpg " VISTEL_SAMPLES
                         "/Lighthouse.Jpg " VISTEL_SAMPLES "/Stained_Glass.BMP '" +
                         dir_ + "' && cd '" + dir_ + "' && truncate -s 4G *")
                            .c_str()),
            0);
  EXPECT_EXIT(std::exit(thumbnailsWithinLimit(dir_)), ::testing::ExitedWithCode(0), "");
}

TEST(ThumbMakerStop, RaisedFlagStopsAtOnce) {
  std::atomic<bool> stop{true};
  const std::string path = std::string(VISTEL_SAMPLES) + "/rose.jpg";
  EXPECT_THROW(makeThumbnail(path, true, &stop), ThumbnailStopped);
}

// A file whose decode needs the whole picture in memory asks the gate
// first, and gives way when refused; the others never ask. Its headers
// alone tell which it is.
TEST(ThumbMakerGate, WholePictureDecodesAskFirst) {
  struct Refusing : WholePictureGate {
    int asked = 0;
    bool tryEnter() override { return ++asked, false; }
  };
  for (const auto& [name, whole] : {std::pair{"Lighthouse.Jpg", true},      // progressive
                                    std::pair{"Stained_Glass.BMP", false},  // RLE4: streamed
                                    std::pair{"rose.jpg", false}, std::pair{"tulips.Bmp", false}}) {
    SCOPED_TRACE(name);
    Refusing gate;
    const std::string path = std::string(VISTEL_SAMPLES) + "/" + name;
    if (whole) {
      EXPECT_THROW(makeThumbnail(path, isJpegName(name), nullptr, &gate), ThumbnailDeferred);
    } else {
      EXPECT_NO_THROW(makeThumbnail(path, isJpegName(name), nullptr, &gate));
    }
    EXPECT_EQ(gate.asked, whole ? 1 : 0);
    EXPECT_EQ(thumbnailNeedsWholePicture(path, isJpegName(name)), whole);
  }
  EXPECT_FALSE(thumbnailNeedsWholePicture(VISTEL_SAMPLES "/tulips.Bmp", true));  // not a JPEG
  EXPECT_FALSE(thumbnailNeedsWholePicture(VISTEL_SAMPLES "/missing.jpg", true));
}

// The thumbnail cache on its own: what counts as the same file, entries
// that must not be believed, the size cap and a folder it cannot use.
class Cache : public Scratch {
 protected:
  std::string folder() const { return dir_ + "/cache/vistel/thumbnails"; }
  Bitmap thumbOf(const std::string& sample) {
    return makeThumbnail(std::string(VISTEL_SAMPLES) + "/" + sample, isJpegName(sample));
  }
  static int mode(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  }
};

TEST_F(Cache, HitIsExactAndAnyChangeOfTheFileMisses) {
  ThumbCache cache(folder());
  const std::string pic = write("p.jpg", "");
  ASSERT_EQ(std::system(("cp " VISTEL_SAMPLES "/rose.jpg '" + pic + "'").c_str()), 0);
  const auto key = ThumbKey::of(dir_ + "/./p.jpg");  // the canonical path is the key
  ASSERT_TRUE(key);
  EXPECT_EQ(key->path, dir_ + "/p.jpg");
  EXPECT_FALSE(cache.find(*key));
  const Bitmap made = thumbOf("rose.jpg");
  cache.store(*key, made);
  const auto hit = cache.find(*key);
  ASSERT_TRUE(hit);
  EXPECT_EQ(std::memcmp(hit->scanLine(0), made.scanLine(0), 93 * 93 * 4), 0);
  EXPECT_EQ(hit->format(), made.format());
  EXPECT_EQ(mode(cache.entryPath(*key)), 0600);
  EXPECT_EQ(mode(dir_ + "/cache/vistel"), 0700);
  EXPECT_EQ(mode(folder()), 0700);

  // Rewritten with other bytes of the same size, its times then set back:
  // the status change time still tells.
  struct stat before {};
  ASSERT_EQ(stat(pic.c_str(), &before), 0);
  {
    std::fstream f(pic, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(2000);
    f.put('\x55');
  }
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, pic.c_str(), times, 0), 0);
  const auto edited = ThumbKey::of(pic);
  ASSERT_TRUE(edited);
  EXPECT_EQ(edited->mtimeNs, key->mtimeNs);
  EXPECT_NE(*edited, *key);
  EXPECT_FALSE(cache.find(*edited));
  // Another file, even a hard link's other name, is another key.
  ASSERT_EQ(link(pic.c_str(), (dir_ + "/q.jpg").c_str()), 0);
  EXPECT_FALSE(cache.find(*ThumbKey::of(dir_ + "/q.jpg")));
  EXPECT_FALSE(ThumbKey::of(dir_ + "/missing.jpg"));
  EXPECT_FALSE(ThumbKey::of(dir_));
}

TEST_F(Cache, DamagedTruncatedAndForeignEntriesMissAndAreReplaced) {
  ThumbCache cache(folder());
  const auto a = ThumbKey::of(write("a.bmp", "a"));
  const auto b = ThumbKey::of(write("b.bmp", "bb"));
  ASSERT_TRUE(a && b);
  const Bitmap thumb = thumbOf("garden.bmp");
  const std::string entry = cache.entryPath(*a);
  auto damage = [&](const std::string& how) {
    cache.store(*a, thumb);
    cache.store(*b, thumb);
    ASSERT_TRUE(cache.find(*a));
    ASSERT_EQ(std::system(how.c_str()), 0) << how;
    EXPECT_FALSE(cache.find(*a)) << how;
    cache.store(*a, thumb);  // the next decode puts a sound one back
    EXPECT_TRUE(cache.find(*a)) << how;
  };
  const std::string e = "'" + entry + "'";
  damage("printf '\\001' | dd of=" + e + " bs=1 seek=20000 conv=notrunc status=none");  // pixels
  damage("printf 'X' | dd of=" + e + " bs=1 seek=3 conv=notrunc status=none");          // magic
  damage("truncate -s -1 " + e);
  damage("truncate -s +1 " + e);
  damage("head -c $(stat -c %s " + e + ") /dev/urandom > " + e + ".x && mv " + e + ".x " + e);
  damage("cp '" + cache.entryPath(*b) + "' " + e);  // another file's entry
  damage("rm " + e + " && mkdir " + e);

  // A folder's made list comes back as stored, for that folder alone; a
  // damaged one, or another folder's under its name, is none.
  MadeList list{dir_, {thumbDigest(*a), thumbDigest(*b)}};
  std::sort(list.digests.begin(), list.digests.end());
  cache.storeMadeList(list);
  EXPECT_EQ(cache.madeIn(dir_), list.digests);
  EXPECT_TRUE(cache.madeIn(dir_ + "/sub").empty());
  const std::string made = "'" + folder() + "/" + madeListName(dir_) + "'";
  for (const std::string& how :
       {"printf '\\001' | dd of=" + made + " bs=1 seek=40 conv=notrunc status=none",
        "truncate -s -16 " + made}) {
    cache.storeMadeList(list);
    ASSERT_EQ(std::system(how.c_str()), 0) << how;
    EXPECT_TRUE(cache.madeIn(dir_).empty()) << how;
  }
  std::vector<std::uint8_t> foreign = encodeMadeList({dir_ + "/sub", list.digests});
  EXPECT_TRUE(decodeMadeList(foreign));
  std::ofstream(folder() + "/" + madeListName(dir_), std::ios::binary)
      .write(reinterpret_cast<const char*>(foreign.data()),
             static_cast<std::streamsize>(foreign.size()));
  EXPECT_TRUE(cache.madeIn(dir_).empty());
}

// The cap holds after every store, during a load and not only after one:
// the least recently used entries go first, one used again stays; files not
// ours are left alone and a crash's temporary file goes.
TEST_F(Cache, CapHoldsAtEveryStoreDroppingTheLeastRecentlyUsed) {
  const Bitmap thumb = thumbOf("rose.jpg");
  std::vector<ThumbKey> keys;
  for (int i = 0; i < 5; ++i) keys.push_back(*ThumbKey::of(write("f" + std::to_string(i), "x")));
  ThumbCache probe(folder());
  probe.store(keys[0], thumb);
  struct stat st {};
  ASSERT_EQ(stat(probe.entryPath(keys[0]).c_str(), &st), 0);
  const auto cap = static_cast<std::uint64_t>(st.st_size) * 3;
  write("cache/vistel/thumbnails/notes.txt", "not ours");
  write("cache/vistel/thumbnails/.tmp-left", "a crash's");
  const timespec old[2] = {{1000, 0}, {1000, 0}};
  utimensat(AT_FDCWD, (folder() + "/.tmp-left").c_str(), old, 0);
  auto held = [&] {  // what the folder holds, but for the file not ours
    std::uint64_t bytes = 0;
    DIR* d = opendir(folder().c_str());
    while (const dirent* e = d != nullptr ? readdir(d) : nullptr) {
      if (stat((folder() + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          std::strcmp(e->d_name, "notes.txt") != 0)
        bytes += static_cast<std::uint64_t>(st.st_size);
    }
    if (d != nullptr) closedir(d);
    return bytes;
  };
  ThumbCache cache(folder(), cap);
  // Stored oldest first, one second apart; entry 0 is used again before
  // the fourth comes.
  for (int i = 0; i < 5; ++i) {
    if (i == 3) {
      ASSERT_TRUE(cache.find(keys[0]));
    }
    cache.store(keys[static_cast<std::size_t>(i)], thumb);
    const timespec t[2] = {{1000 + i, 0}, {1000 + i, 0}};
    if (i < 3)
      utimensat(AT_FDCWD, cache.entryPath(keys[static_cast<std::size_t>(i)]).c_str(), t, 0);
    EXPECT_LE(held(), cap) << "after store " << i;
  }
  EXPECT_TRUE(cache.find(keys[0]));
  EXPECT_FALSE(cache.find(keys[1]));
  EXPECT_FALSE(cache.find(keys[2]));
  EXPECT_TRUE(cache.find(keys[3]));
  EXPECT_TRUE(cache.find(keys[4]));
  EXPECT_EQ(access((folder() + "/notes.txt").c_str(), F_OK), 0);
  EXPECT_NE(access((folder() + "/.tmp-left").c_str(), F_OK), 0);

  // A presence check is a use too: with room for one entry, the one just
  // looked for is what stays.
  ThumbCache one(folder(), cap / 3);
  const timespec before[2] = {{2000, 0}, {2000, 0}};
  for (int i : {0, 3, 4})
    utimensat(AT_FDCWD, one.entryPath(keys[static_cast<std::size_t>(i)]).c_str(), before, 0);
  EXPECT_TRUE(one.has(keys[3]));
  one.trim();
  EXPECT_TRUE(one.has(keys[3]));
  for (int i : {0, 1, 2, 4}) EXPECT_FALSE(one.has(keys[static_cast<std::size_t>(i)])) << i;
}

// Another user who made the folders first, or points them elsewhere, must
// not get thumbnails shown: each case has a sound entry for the key where
// the path leads, and every lookup misses. Said once on stderr.
TEST_F(Cache, FolderNotTheUsersAloneIsNotUsed) {
  const auto key = ThumbKey::of(write("a.bmp", "a"));
  const std::string planted = dir_ + "/planted/vistel/thumbnails";
  ThumbCache(planted).store(*key, thumbOf("rose.jpg"));
  ASSERT_TRUE(ThumbCache(planted).find(*key));
  const std::string sh = "cd '" + dir_ + "' && rm -rf cache && mkdir -p -m 0700 cache/vistel && ";
  std::vector<std::string> cases = {
      "rmdir cache/vistel && ln -s ../planted/vistel cache/vistel",
      "ln -s ../../planted/vistel/thumbnails cache/vistel/thumbnails",
      "cp -a planted/vistel/thumbnails cache/vistel/ && chmod 0777 cache/vistel/thumbnails",
      "cp -a planted/vistel/thumbnails cache/vistel/ && chmod 0755 cache/vistel"};
  if (geteuid() == 0)
    cases.push_back("cp -a planted/vistel/thumbnails cache/vistel/ && chown 65534 cache/vistel");
  testing::internal::CaptureStderr();
  for (const std::string& c : cases) {
    ASSERT_EQ(std::system((sh + c).c_str()), 0) << c;
    ThumbCache cache(folder());
    EXPECT_FALSE(cache.find(*key)) << c;
    cache.store(*key, thumbOf("garden.bmp"));  // written nowhere
    EXPECT_FALSE(cache.find(*key)) << c;
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find(dir_ + "/cache/vistel is a symbolic link"), std::string::npos) << said;
  // Nothing was written through the links, and the planted one is intact.
  EXPECT_EQ(std::memcmp(ThumbCache(planted).find(*key)->scanLine(0),
                        thumbOf("rose.jpg").scanLine(0), 93 * 93 * 4),
            0);
}

TEST_F(Cache, FolderItCannotUseOnlyMisses) {
  const auto key = ThumbKey::of(write("a.bmp", "a"));
  // Under a regular file no folder can be made.
  ThumbCache cache(dir_ + "/a.bmp/vistel/thumbnails");
  cache.store(*key, thumbOf("rose.jpg"));
  EXPECT_FALSE(cache.find(*key));
  cache.trim();

  // Where it lives: XDG_CACHE_HOME if absolute, else the home's .cache;
  // VISTEL_NO_THUMBNAIL_CACHE turns it off.
  struct Env {
    const char* name;
    std::string old;
    bool had;
    explicit Env(const char* n) : name(n), had(std::getenv(n) != nullptr) {
      if (had) old = std::getenv(n);
    }
    ~Env() { had ? setenv(name, old.c_str(), 1) : unsetenv(name); }
  } xdg("XDG_CACHE_HOME"), home("HOME"), off("VISTEL_NO_THUMBNAIL_CACHE");
  setenv("HOME", "/home/u", 1);
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  setenv("XDG_CACHE_HOME", "/x/c", 1);
  EXPECT_EQ(ThumbCache::folderFromEnvironment(), "/x/c/vistel/thumbnails");
  setenv("XDG_CACHE_HOME", "relative", 1);
  EXPECT_EQ(ThumbCache::folderFromEnvironment(), "/home/u/.cache/vistel/thumbnails");
  setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
  EXPECT_EQ(ThumbCache::folderFromEnvironment(), "");
}

}  // namespace
}  // namespace vistel
