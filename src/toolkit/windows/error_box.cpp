#include "windows/error_box.h"

#include <QGuiApplication>
#include <QMessageBox>

#include "controls/error_message.h"

namespace vistel {
namespace {

std::function<void(const QString&, const QString&)>& presenter() {
  static std::function<void(const QString&, const QString&)> p;
  return p;
}

}  // namespace

void setErrorPresenter(std::function<void(const QString&, const QString&)> p) {
  presenter() = std::move(p);
}

void showErrorBox(const QString& message) {
  const QString caption = QGuiApplication::applicationDisplayName();
  const QString text = errorMessageText(message);
  if (presenter()) {
    presenter()(caption, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  // Our windows stay on top of everything; the box must not hide behind them.
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

void showErrorBox(const std::exception& error) { showErrorBox(QString::fromUtf8(error.what())); }

}  // namespace vistel
