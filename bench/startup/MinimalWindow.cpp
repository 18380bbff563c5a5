// SPDX-License-Identifier: Apache-2.0
// The yardstick for orvane-config's start-up and footprint: a Qt Widgets window of the same
// client size showing one line of text, so that it pays for font set-up and text rendering as
// every real window does. With --empty it shows a bare widget and renders no text at all.

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>
#include <memory>

#include "window/ShownProbe.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const bool empty = argc > 1 && std::strcmp(argv[1], "--empty") == 0;
  std::unique_ptr<QWidget> window;
  if (empty) {
    window = std::make_unique<QWidget>();
  } else {
    auto label = std::make_unique<QLabel>(QStringLiteral("Minimal window"));
    label->setAlignment(Qt::AlignCenter);
    window = std::move(label);
  }
  window->setWindowTitle(QStringLiteral("Minimal"));
  window->resize(474, 406);
  window->show();
  orvane::window::ShownProbe::InstallIfAsked(*window);
  return QApplication::exec();
}
