#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

// The end-to-end scenario tables: plain text, one step per line.
//
//   point leaf 740,300            a named point, in the device's coordinates
//   case <name>                   a new case; its steps follow, indented
//     needs tray                  skipped on desks without what it names
//     skip xfwm4 <why>            skipped under that window manager
//     start [in home [many]] [with compositor]
//     key alt / keydown ctrl / keyup ctrl / type ctrl+alt MOVEBRIGHT...
//     move P / click P [right|middle] [double] / press P [right] /
//     release [right] / glide P [steps N] [every MS] / wait MS
//     origin DX,DY                the device now lies moved by that much
//     window NAME P WxH           another plain window for the case
//     minimize NAME / activate NAME   as a task-bar button asks the manager
//     focus NAME [raw]            as a pager asks the manager; raw: the
//                                 focus set straight on the window
//     expect <what> ...           polled until it holds (or times out):
//       window NAME at X,Y | shown | hidden;  active NAME;  focus NAME;
//       above NAME NAME;  pixel P skin|underlay|#rrggbb|not-underlay;
//       shown FILE|nothing [at X,Y WxH] [chooser] [backdrop];  grid [scroll S]
//       [locator T|none];  ink P WxH;  help picture|text;  grab free;
//       taskbar NAME...;  tray present|absent;  cursor arrow|busy|multidrag;
//       menu open [at P]|closed;  cpu below PERCENT;  steady MS;  exit STATUS
//
// Every action is followed by a settle: the desk quiet and the program
// answering, so an expectation never looks before they are done.
// A comment starts a line with "#" or follows " # " on it.
// Points: "x,y" in the device's client coordinates (it starts at 200,100
// on the screen), a named point, a named point with an offset ("leaf+5,-3"),
// or one the driver works out: file:NAME (the file list's row),
// folder:NAME (the folder list's row; "folder:." the start folder's own),
// thumb:N (a grid cell), tray (the
// notification-area icon), help:x,y (in the help window), screen:x,y.
// Window names: viewer, panel, chooser, backdrop, help, underlay, or a
// case's own; "active device" takes any of viewer, panel and chooser.
namespace e2e {

struct Step {
  int line = 0;
  QString verb;
  QStringList args;
  QString text() const { return (QStringList{verb} + args).join(QLatin1Char(' ')); }
};

struct Case {
  int line = 0;
  QString name;
  std::vector<Step> steps;
};

struct ScenarioFile {
  QString path;
  std::map<QString, QString> points;
  std::vector<Case> cases;
};

// Reads a table; a line it cannot take fails with its number.
ScenarioFile readScenarios(const QString& path, QString* error);

}  // namespace e2e
