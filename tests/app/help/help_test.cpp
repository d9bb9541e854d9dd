// The help window: its text, and the hidden sequence that uncovers the
// picture beneath it.
#include <gtest/gtest.h>

#include <QTextBlock>

#include "help/help_form.h"
#include "help/help_text.h"
#include "help/hidden_sequence.h"

namespace vistel {
namespace {

constexpr int kCtrlAlt = kCtrl | kAlt;

// Feeds the letters of `text` as key presses with the given shift state;
// returns whether any of them completed the sequence.
bool type(HiddenSequence& s, const std::string& text, int shift = kCtrlAlt) {
  bool matched = false;
  for (char c : text) matched |= s.keyDown(static_cast<unsigned char>(c), shift);
  return matched;
}

TEST(HiddenSequence, TheStoredLettersWithCtrlAndAltMatchRightAfterAReset) {
  HiddenSequence s;
  EXPECT_TRUE(type(s, "MOVEBRIGHTPANELSONWARD"));
  EXPECT_EQ(s.typedCount(), 0);
  EXPECT_TRUE(s.typed().empty());
  // Shift held as well changes nothing: key codes carry upper-case letters.
  EXPECT_TRUE(type(s, "MOVEBRIGHTPANELSONWARD", kCtrlAlt | kShift));
}

TEST(HiddenSequence, KeysWithoutBothCtrlAndAltAreNeitherCountedNorReset) {
  HiddenSequence s;
  type(s, "MOVE");
  EXPECT_FALSE(type(s, "BRIGHT", kCtrl));
  EXPECT_FALSE(type(s, "BRIGHT", kAlt));
  EXPECT_EQ(s.typedCount(), 4);
  // The Ctrl and Alt presses themselves (and their repetitions) never count.
  EXPECT_FALSE(s.keyDown(17, kCtrlAlt));
  EXPECT_FALSE(s.keyDown(18, kCtrlAlt));
  EXPECT_EQ(s.typedCount(), 4);
  EXPECT_TRUE(type(s, "BRIGHTPANELSONWARD"));
}

TEST(HiddenSequence, FiveOtherKeysFirstShiftTheWindowSoTheSequenceMisses) {
  HiddenSequence s;
  EXPECT_FALSE(type(s, "XXXXX"));
  EXPECT_FALSE(type(s, "MOVEBRIGHTPANELSONWARD"));
  // The last five letters already count toward the next window of 22.
  EXPECT_EQ(s.typedCount(), 5);
  EXPECT_EQ(s.typed(), "NWARD");
}

TEST(HiddenSequence, F1CountsAsTheCharacterOfItsCode) {
  HiddenSequence s;
  s.keyDown(112, kCtrlAlt);
  EXPECT_EQ(s.typedCount(), 1);
  EXPECT_EQ(s.typed(), std::string(1, static_cast<char>(112)));
}

TEST(HelpText, HasItsTwentySevenLinesWithTheKeyReference) {
  const QStringList lines = helpTextLines();
  ASSERT_EQ(lines.size(), 27);
  EXPECT_EQ(lines[0], QStringLiteral("  图 像 浏 览 软 件 "));
  EXPECT_TRUE(lines[1].isEmpty());
  EXPECT_EQ(lines[2], QStringLiteral("    版本：    2.00"));
  EXPECT_EQ(lines[4], QStringLiteral("    开发时间：2002年"));
  EXPECT_TRUE(lines[7].isEmpty() && lines[8].isEmpty());
  EXPECT_EQ(lines[9], QStringLiteral("◆F1 → 帮助  ◆F2 → 窗口置后  ◆F4 / F3 → 渐隐 / 渐显"));
  EXPECT_EQ(lines[22], QString(56, QLatin1Char('=')));
  EXPECT_EQ(lines[26], QStringLiteral("◆鼠标左右键同时按下拖动 → 显示（隐藏）文件选单(停止滚动)"));
}

TEST(HelpWindow, SequenceSwapsTextForPictureAndAClickBringsTheTextBack) {
  THelpForm help;
  EXPECT_EQ(help.Memo1->document()->blockCount(), 27);
  EXPECT_TRUE(help.Memo1->isReadOnly());
  EXPECT_TRUE(help.Image1->visible());
  EXPECT_EQ(help.Image1->boundsRect(), Rect::fromSize(65, 45, 212, 151));
  EXPECT_EQ(help.Image1->pictureWidth(), 201);
  EXPECT_EQ(help.Image1->pictureHeight(), 151);
  EXPECT_EQ(help.Image1->hint(), "PGlimra006");

  for (char c : std::string("MOVEBRIGHTPANELSONWARD")) {
    int key = c;
    help.Memo1KeyDown(help.Memo1, key, kCtrlAlt);
  }
  EXPECT_FALSE(help.Memo1->isVisibleTo(&help));
  EXPECT_TRUE(help.Image1->visible());

  help.Image1->onClick(*help.Image1);
  EXPECT_TRUE(help.Memo1->isVisibleTo(&help));
  EXPECT_FALSE(help.Image1->visible());
}

}  // namespace
}  // namespace vistel
