#include "windows/platform.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <map>
#include <string>
#include <thread>

namespace vistel::platform {
namespace {

PlatformChoice choose(std::map<std::string, QString> vars) {
  return choosePlatform([&](const char* name) {
    const auto it = vars.find(name);
    return it == vars.end() ? QString() : it->second;
  });
}

TEST(Platform, WaylandSessionsRunThroughX11WhenTheyOfferIt) {
  const PlatformChoice both = choose({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}});
  EXPECT_EQ(both.platform, "xcb");
  EXPECT_TRUE(both.notice.isEmpty());

  const PlatformChoice bySessionType = choose({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}});
  EXPECT_EQ(bySessionType.platform, "xcb");

  const PlatformChoice waylandOnly = choose({{"WAYLAND_DISPLAY", "wayland-0"}});
  EXPECT_TRUE(waylandOnly.platform.isEmpty());
  EXPECT_FALSE(waylandOnly.notice.isEmpty());
}

TEST(Platform, LeavesX11AndExplicitChoicesAlone) {
  EXPECT_TRUE(choose({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}).platform.isEmpty());
  const PlatformChoice explicitChoice =
      choose({{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}});
  EXPECT_TRUE(explicitChoice.platform.isEmpty());
  EXPECT_TRUE(explicitChoice.notice.isEmpty());
}

TEST(Platform, TickCountIsMonotonicMilliseconds) {
  const std::uint32_t a = tickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::uint32_t elapsed = tickCount() - a;
  EXPECT_GE(elapsed, 29u);
  EXPECT_LT(elapsed, 1000u);
}

TEST(Platform, ProcessEventsRunsPendingWorkFromInsideAHandler) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  processEvents();
  EXPECT_TRUE(ran);
  flushWindowSystem();  // not on X11 here: must simply do nothing
}

}  // namespace
}  // namespace vistel::platform
