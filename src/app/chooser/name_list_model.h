#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <string>
#include <vector>

namespace vistel {

// The rows of the chooser's lists: names kept as the file system's raw
// bytes, shown decoded, every row of one height, with an icon per row
// where the list has them. There is no object per row, so a folder of a
// hundred thousand pictures costs the list little more than their names,
// and filling or emptying it is one reset.
class NameListModel : public QAbstractListModel {
 public:
  NameListModel(QObject* parent, int rowHeight);

  // Replaces every row; `icons` is empty or holds one icon index per name
  // into the icons given by setIcons.
  void reset(std::vector<std::string> names, std::vector<unsigned char> icons = {});
  void setIcons(std::vector<QIcon> icons) { icons_ = std::move(icons); }

  const std::vector<std::string>& names() const { return names_; }
  int count() const { return static_cast<int>(names_.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The lists' keyboard search asks for the next row whose name starts
  // with the typed text: answered from the names' bytes (letters of ASCII
  // without regard to case), without a string made for each row.
  QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                        Qt::MatchFlags flags) const override;

 private:
  int rowHeight_;
  std::vector<std::string> names_;
  std::vector<unsigned char> iconOf_;
  std::vector<QIcon> icons_;
};

}  // namespace vistel
