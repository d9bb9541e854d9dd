// The command line and the private place of the hand-over socket, without
// running the program.
#include "program/command_line.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "program/single_instance.h"

namespace vistel::program {
namespace {

using Action = Options::Action;

struct ParseCase {
  std::vector<std::string> args;
  Action action;
  std::string path;
  bool newInstance;
  bool noCache;
  const char* errorPart;
};

TEST(CommandLine, ParsesOptionsInOrder) {
  const ParseCase cases[] = {
      {{}, Action::Run, "", false, false, ""},
      {{"pic.jpg"}, Action::Run, "pic.jpg", false, false, ""},
      {{"--new-instance", "d", "--no-thumbnail-cache"}, Action::Run, "d", true, true, ""},
      {{"-h"}, Action::Help, "", false, false, ""},
      // The first of --help, --version or a bad option decides.
      {{"a", "b", "--version", "--bogus"}, Action::Version, "", false, false, ""},
      {{"-x", "--help"}, Action::Error, "", false, false, "unknown option '-x'"},
      {{"a", "b"}, Action::Error, "", false, false, "at most, 2 were given"},
      {{"--", "--help"}, Action::Run, "--help", false, false, ""},
      {{"-"}, Action::Run, "-", false, false, ""},
      {{""}, Action::Error, "", false, false, "empty"},
  };
  for (const ParseCase& c : cases) {
    const Options o = parseCommandLine(c.args);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
    EXPECT_EQ(o.action, c.action);
    EXPECT_EQ(o.path, c.path);
    EXPECT_EQ(o.newInstance, c.newInstance);
    EXPECT_EQ(o.noThumbnailCache, c.noCache);
    EXPECT_NE(o.error.find(c.errorPart), std::string::npos) << o.error;
  }
  // Every option the parser knows is in the help.
  for (const OptionRow& row : optionRows())
    EXPECT_NE(helpText().find(row.name), std::string::npos) << row.name;
}

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-cmdline-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  void touch(const std::string& rel) { std::ofstream(dir_ + "/" + rel) << "x"; }
  std::string dir_;
};

TEST_F(ScratchFolder, PathsResolveToAbsoluteRawBytes) {
  ASSERT_EQ(mkdir((dir_ + "/a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir_ + "/a/deep").c_str(), 0755), 0);
  touch("a/b.jpg");
  const std::string odd = "caf\xe9 \xff.jpg";  // Latin-1 bytes, a space
  touch("a/" + odd);
  ASSERT_EQ(symlink((dir_ + "/a/deep").c_str(), (dir_ + "/link").c_str()), 0);

  struct Case {
    std::string given;
    std::string absolute;
    bool folder;
  };
  const Case cases[] = {
      {"a/b.jpg", dir_ + "/a/b.jpg", false},
      {"./a//./b.jpg", dir_ + "/a/b.jpg", false},
      {"a/", dir_ + "/a", true},
      {dir_ + "/a/" + odd, dir_ + "/a/" + odd, false},
      {"a/../a/" + odd, dir_ + "/a/" + odd, false},
      // ".." after a link climbs from the link's target: link/.. is a/.
      {"link/../b.jpg", dir_ + "/a/b.jpg", false},
      {"link/..", dir_ + "/a", true},
      {"/", "/", true},
  };
  for (const Case& c : cases) {
    const ResolvedPath r = resolvePath(c.given, dir_);
    SCOPED_TRACE(c.given);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.absolute, c.absolute);
    EXPECT_EQ(r.folder, c.folder);
  }
  for (const std::string missing : {"nothing.jpg", "a/b.jpg/x", "link/../../a/none"}) {
    const ResolvedPath r = resolvePath(missing, dir_);
    EXPECT_NE(r.error.find("cannot open '" + missing + "'"), std::string::npos) << r.error;
  }
}

TEST_F(ScratchFolder, SocketFolderIsPrivateToTheUser) {
  const uid_t uid = geteuid();
  const InstancePlace place = instancePlace(dir_.c_str(), ":5", uid);
  EXPECT_EQ(place.error, "");
  EXPECT_EQ(place.socket, dir_ + "/vistel/display-:5");
  struct stat st {};
  ASSERT_EQ(lstat(place.folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // The user's own folder, only too open, is narrowed.
  ASSERT_EQ(chmod(place.folder.c_str(), 0755), 0);
  EXPECT_EQ(preparePrivateFolder(place.folder, uid), "");
  ASSERT_EQ(lstat(place.folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Never a link, never a file, never another user's folder.
  ASSERT_EQ(symlink(place.folder.c_str(), (dir_ + "/link").c_str()), 0);
  EXPECT_NE(preparePrivateFolder(dir_ + "/link", uid).find("symbolic link"), std::string::npos);
  touch("file");
  EXPECT_NE(preparePrivateFolder(dir_ + "/file", uid).find("not a folder"), std::string::npos);
  EXPECT_NE(preparePrivateFolder(place.folder, uid + 1).find("another user"), std::string::npos);

  // A runtime folder that is not the user's, or none, or one whose socket
  // name would not fit, gives way to one in /tmp.
  const std::string fallback = "/tmp/vistel-" + std::to_string(uid + 1);
  EXPECT_EQ(instancePlace(dir_.c_str(), ":5", uid + 1).folder, fallback);
  EXPECT_EQ(instancePlace(nullptr, nullptr, uid).socket,
            "/tmp/vistel-" + std::to_string(uid) + "/display-none");
  EXPECT_EQ(instancePlace("relative", ":5", uid).folder, "/tmp/vistel-" + std::to_string(uid));
  const std::string longDir = dir_ + "/" + std::string(100, 'x');
  ASSERT_EQ(mkdir(longDir.c_str(), 0700), 0);
  EXPECT_EQ(instancePlace(longDir.c_str(), ":5", uid).folder, "/tmp/vistel-" + std::to_string(uid));
  rmdir(fallback.c_str());

  // So does one that others may write in, or where the socket's folder
  // cannot be made; the start says which folder it took instead.
  ASSERT_EQ(chmod(dir_.c_str(), 0733), 0);
  const InstancePlace open = instancePlace(dir_.c_str(), ":5", uid);
  ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
  ASSERT_EQ(std::system(("rm -r '" + place.folder + "' && touch '" + place.folder + "'").c_str()),
            0);
  const InstancePlace blocked = instancePlace(dir_.c_str(), ":5", uid);
  for (const InstancePlace& p : {open, blocked}) {
    EXPECT_EQ(p.folder, "/tmp/vistel-" + std::to_string(uid));
    EXPECT_EQ(p.error, "");
    EXPECT_NE(p.note.find("socket is in /tmp/vistel-" + std::to_string(uid)), std::string::npos);
  }
}

TEST_F(ScratchFolder, ClaimListensReplacesStaleAndLeavesOthersAlone) {
  const uid_t uid = geteuid();
  const InstancePlace place = instancePlace(dir_.c_str(), ":6", uid);
  {
    InstanceClaim first(place, uid, true, "/x", 500);
    ASSERT_EQ(first.result(), InstanceClaim::Result::Listening) << first.error();
    // A second start alongside the listener does not take its socket; as
    // nothing answers here (no event loop), a hand-over times out.
    InstanceClaim alongside(place, uid, false, "", 500);
    EXPECT_EQ(alongside.result(), InstanceClaim::Result::OtherRunning);
    EXPECT_EQ(deliverPath(place.socket, uid, "/x", 200), Delivery::NoAnswer);
    // Someone else's uid is never talked to.
    EXPECT_EQ(deliverPath(place.socket, uid + 1, "/x", 200), Delivery::Refused);
  }
  struct stat st {};
  EXPECT_NE(lstat(place.socket.c_str(), &st), 0);  // removed at the end

  // A socket left behind by a crash: bound, never removed, nobody listens.
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", place.socket.c_str());
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(s);
  EXPECT_EQ(deliverPath(place.socket, uid, "/x", 200), Delivery::NoViewer);
  InstanceClaim after(place, uid, true, "/x", 500);
  EXPECT_EQ(after.result(), InstanceClaim::Result::Listening) << after.error();

  // A plain file where the socket belongs is left alone.
  const InstancePlace other = instancePlace(dir_.c_str(), ":7", uid);
  std::ofstream(other.socket) << "not a socket";
  InstanceClaim refused(other, uid, true, "/x", 500);
  EXPECT_EQ(refused.result(), InstanceClaim::Result::Unavailable);
  EXPECT_TRUE(std::ifstream(other.socket).good());
}

TEST(HandOverMessage, CarriesRawBytesAndRejectsOthers) {
  std::string path;
  ASSERT_TRUE(decodeMessage(encodeMessage("/p/\xff\xfe x.jpg"), path));
  EXPECT_EQ(path, "/p/\xff\xfe x.jpg");
  EXPECT_TRUE(decodeMessage(encodeMessage(""), path));
  EXPECT_EQ(path, "");
  EXPECT_FALSE(decodeMessage("", path));
  EXPECT_FALSE(decodeMessage("GET / HTTP/1.0\n", path));
  EXPECT_FALSE(decodeMessage(encodeMessage(std::string("/a\0b", 4)), path));
  EXPECT_FALSE(decodeMessage(encodeMessage(std::string(kMaxMessage, 'x')), path));
}

}  // namespace
}  // namespace vistel::program
