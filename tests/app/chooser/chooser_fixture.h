#pragma once
// A whole window set started in a scratch folder of pictures, with helpers
// that drive the chooser the way the user does.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstring>
#include <fstream>
#include <string>

#include "chooser/get_img_form.h"
#include "chooser/img_thread.h"
#include "controls/label.h"
#include "panel/form2.h"
#include "viewer/form1.h"

namespace vistel::testing_support {

// The 54 header bytes of an uncompressed 24-bit BMP; a negative height
// stores the rows top-down.
inline std::string bmp24Header(int w, int h) {
  std::string b(54, '\0');
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  return b;
}

// A 24-bit BMP of w by h in one colour.
inline std::string solidBmp(int w, int h, std::uint32_t rgb) {
  const int stride = (w * 3 + 3) & ~3;
  std::string b = bmp24Header(w, h);
  const auto fileSize = static_cast<std::uint32_t>(54 + stride * h);
  std::memcpy(&b[2], &fileSize, 4);
  std::string row(static_cast<std::size_t>(stride), '\0');
  for (int x = 0; x < w; ++x) {
    row[x * 3] = static_cast<char>(rgb & 0xFF);
    row[x * 3 + 1] = static_cast<char>((rgb >> 8) & 0xFF);
    row[x * 3 + 2] = static_cast<char>((rgb >> 16) & 0xFF);
  }
  for (int y = 0; y < h; ++y) b += row;
  return b;
}

class ChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-chooser-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    std::system(("cp " VISTEL_SAMPLES "/* '" + dir_ + "'").c_str());
    ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0755), 0);
    // Each test starts with an empty thumbnail cache of its own.
    char cacheTmpl[] = "/tmp/vistel-cache-XXXXXX";
    ASSERT_NE(mkdtemp(cacheTmpl), nullptr);
    cacheHome_ = cacheTmpl;
    setenv("XDG_CACHE_HOME", cacheHome_.c_str(), 1);
    char cwd[4096];
    oldCwd_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    viewer = new TForm1();
    chooser = viewer->FChooser;
  }
  void TearDown() override {
    delete viewer;
    (void)chdir(oldCwd_.c_str());
    std::system(
        ("chmod -R u+rwx '" + dir_ + "'; rm -rf '" + dir_ + "' '" + cacheHome_ + "'").c_str());
  }
  // Where the loaders of this test keep their thumbnails.
  std::string cacheFolder() const { return cacheHome_ + "/vistel/thumbnails"; }
  // The thumbnails the cache holds (its folder's 32-digit names).
  int cacheEntries() const {
    int n = 0;
    DIR* d = opendir(cacheFolder().c_str());
    while (const dirent* e = d != nullptr ? readdir(d) : nullptr) n += std::strlen(e->d_name) == 32;
    if (d != nullptr) closedir(d);
    return n;
  }

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
  }
  int indexOf(const std::string& name) const {
    const auto& items = chooser->FileListBox1->items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == name) return static_cast<int>(i);
    return -1;
  }
  // A selection made by the user: raises the change notification.
  void userSelects(const std::string& name) { chooser->FileListBox1->setCurrentRow(indexOf(name)); }
  void setZoom(ZoomMode mode) {
    viewer->FState.zoom = mode;
    viewer->ShowState();
  }
  void rightClickList() {
    MouseEvent m;
    m.button = MouseButton::Right;
    chooser->FileListBox1MouseDown(m);
  }
  void rightClickPanel() {
    MouseEvent m;
    m.button = MouseButton::Right;
    chooser->filepanelMouseDown(m);
  }
  // Lets the event loop run until the load ends; false on timeout.
  bool waitForLoad(int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (chooser->FLoading && t.elapsed() < ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return !chooser->FLoading;
  }
  // Grid view with a fresh load of the current folder.
  void showGridAndLoad() {
    chooser->DirectoryListBox1Change();  // marks the rebuild as pending
    rightClickList();
    ASSERT_TRUE(waitForLoad());
  }
  int key(int code) {
    int k = code;
    viewer->FormKeyDown(viewer, k, 0);
    return k;
  }

  std::string dir_;
  std::string cacheHome_;
  std::string oldCwd_;
  TForm1* viewer = nullptr;
  TGetImgForm* chooser = nullptr;
};

}  // namespace vistel::testing_support
