// SPDX-License-Identifier: Apache-2.0
// Writes a picture of the window as it stands straight after start-up (docs/window.png):
//   QT_QPA_PLATFORM=offscreen window_snapshot OUT.png

#include <QApplication>
#include <QPixmap>

#include "WindowRig.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) return qCritical("usage: window_snapshot OUT.png"), 2;
  orvane::testing::WindowRig rig;
  rig.window.show();
  QApplication::processEvents();
  return rig.window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
