#include "chooser/name_list_model.h"

#include <QFile>
#include <QSize>

namespace vistel {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(const std::string& name, const QByteArray& prefix) {
  if (name.size() < static_cast<std::size_t>(prefix.size())) return false;
  for (qsizetype i = 0; i < prefix.size(); ++i)
    if (lowerAscii(name[static_cast<std::size_t>(i)]) != lowerAscii(prefix[i])) return false;
  return true;
}

}  // namespace

NameListModel::NameListModel(QObject* parent, int rowHeight)
    : QAbstractListModel(parent), rowHeight_(rowHeight) {}

void NameListModel::reset(std::vector<std::string> names, std::vector<unsigned char> icons) {
  beginResetModel();
  names_ = std::move(names);
  iconOf_ = std::move(icons);
  endResetModel();
}

int NameListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant NameListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole: {
      const std::string& raw = names_[row];
      return QFile::decodeName(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
    }
    case Qt::DecorationRole:
      if (row < iconOf_.size() && iconOf_[row] < icons_.size()) return icons_[iconOf_[row]];
      return {};
    case Qt::SizeHintRole:
      return QSize(0, rowHeight_);
    default:
      return {};
  }
}

QModelIndexList NameListModel::match(const QModelIndex& start, int role, const QVariant& value,
                                     int hits, Qt::MatchFlags flags) const {
  const bool plainSearch = role == Qt::DisplayRole && hits == 1 &&
                           (flags & ~Qt::MatchFlags(Qt::MatchWrap)) == Qt::MatchStartsWith;
  if (!plainSearch || !start.isValid() || start.row() >= count())
    return QAbstractListModel::match(start, role, value, hits, flags);
  const QByteArray typed = QFile::encodeName(value.toString());
  const int n = count();
  const int last = (flags & Qt::MatchWrap) ? start.row() + n : n;
  for (int k = start.row(); k < last; ++k) {
    const int row = k % n;
    if (startsWithNoCase(names_[static_cast<std::size_t>(row)], typed)) return {index(row)};
  }
  return {};
}

}  // namespace vistel
