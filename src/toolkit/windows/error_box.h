#pragma once

#include <QString>
#include <exception>
#include <functional>

namespace vistel {

// Shows an error that escaped an event handler or a drawing step: a message
// box captioned with the application's title, with the error icon, and the
// text ending in a full stop where it needs one.
void showErrorBox(const QString& message);
void showErrorBox(const std::exception& error);

// Replaces the box (tests): receives the caption and the final text.
// An empty function restores the box.
void setErrorPresenter(std::function<void(const QString& caption, const QString& text)> presenter);

}  // namespace vistel
