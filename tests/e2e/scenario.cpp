#include "scenario.h"

#include <QFile>
#include <QRegularExpression>

namespace e2e {

ScenarioFile readScenarios(const QString& path, QString* error) {
  ScenarioFile file;
  file.path = path;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = QStringLiteral("cannot read %1").arg(path);
    return file;
  }
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  static const QRegularExpression space(QStringLiteral("\\s+"));
  for (int n = 0; n < lines.size(); ++n) {
    QString line = lines[n];
    if (const int hash = line.indexOf(QLatin1String(" # ")); hash >= 0) line.truncate(hash);
    const bool indented = line.startsWith(QLatin1Char(' '));
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    QStringList words = line.split(space);
    const QString verb = words.takeFirst();
    if (!indented && verb == QLatin1String("point") && words.size() == 2) {
      file.points[words[0]] = words[1];
    } else if (!indented && verb == QLatin1String("case") && !words.isEmpty()) {
      file.cases.push_back({n + 1, words.join(QLatin1Char(' ')), {}});
    } else if (indented && !file.cases.empty()) {
      file.cases.back().steps.push_back({n + 1, verb, words});
    } else {
      *error = QStringLiteral("%1:%2: cannot read \"%3\"").arg(path).arg(n + 1).arg(line);
      return file;
    }
  }
  return file;
}

}  // namespace e2e
