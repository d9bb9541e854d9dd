#include "help/help_text.h"

namespace vistel {

QStringList helpTextLines() {
  // Spacing inside each line is part of the layout: the columns of the key
  // reference line up in the 12 px face the text box uses.
  return {
      QStringLiteral("  图 像 浏 览 软 件 "),
      QString(),
      QStringLiteral("    版本：    2.00"),
      QStringLiteral("    开发：    Vistel 开发组"),
      QStringLiteral("    开发时间：2002年"),
      QStringLiteral("    电话：    (无)"),
      QStringLiteral("    电子邮件：vistel@example.org"),
      QString(),
      QString(),
      QStringLiteral("◆F1 → 帮助  ◆F2 → 窗口置后  ◆F4 / F3 → 渐隐 / 渐显"),
      QStringLiteral("◆F6 → 显示（隐藏）黑色背景 ◆F7 → 文件选单置于黑色背景后"),
      QStringLiteral("◆F5 → 文件选单置于图像（前）后   ◆Esc → 透明 / 不透明"),
      QStringLiteral("◆Alt → 显示（隐藏）文件选单           ◆Ctrl → 图像（停止）滚动"),
      QStringLiteral("◆Shift+PageUp/PageDown → 图像(视域) 放/ 缩"),
      QStringLiteral("◆Shift+End → 图像复原              ◆Shift+1 → 图像全貌"),
      QStringLiteral("◆Shift+2 → 图像比例放缩          ◆Shift+3 → 图像非比例放缩"),
      QStringLiteral("◆Shift+Insert → 从中心（或左上角）显示图像"),
      QStringLiteral("◆Shift+Home → 滚动时锁定鼠标"),
      QStringLiteral("◆Shift+↑ → 图像上边框上移    ◆Ctrl+↑ → 图像下边框上移"),
      QStringLiteral("◆Shift+↓ → 图像上边框下移    ◆Ctrl+↓ → 图像下边框下移"),
      QStringLiteral("◆Shift+← → 图像左边框左移    ◆Ctrl+← → 图像右边框左移"),
      QStringLiteral("◆Shift+→ → 图像左边框右移    ◆Ctrl+→ → 图像右边框右移"),
      QStringLiteral("========================================================"),
      QStringLiteral("◆Ctrl+鼠标移动 → 图像滚动      ◆鼠标双击 → 图像（停止）滚动"),
      QStringLiteral("◆Shift+鼠标移动 → 复位            ◆鼠标左键按下拖动 → 拖动窗口"),
      QStringLiteral("◆Ctrl+鼠标左键按下拖动 → 快速拖动图像"),
      QStringLiteral("◆鼠标左右键同时按下拖动 → 显示（隐藏）文件选单(停止滚动)"),
  };
}

}  // namespace vistel
