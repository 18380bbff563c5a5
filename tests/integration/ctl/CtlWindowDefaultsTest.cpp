// SPDX-License-Identifier: Apache-2.0
// base-profile fills absent flags with the window's initial field contents: held here against
// the window itself, field by field.

#include <gtest/gtest.h>

#include <QApplication>

#include "BaseProfile.h"
#include "transfer/BaseStation.h"
#include "window/MainWindow.h"

namespace orvane::ctl {
namespace {

TEST(BaseProfileDefaults, AreTheWindowsFieldsAsItOpens) {
  int argc = 1;
  char name[] = "ctl_window_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  const window::MainWindow window;
  const CommandLineFields fields{BaseProfileFields{}};
  for (const transfer::FormField& field : transfer::BaseStationFields()) {
    EXPECT_EQ(transfer::FieldValue(fields, field), transfer::FieldValue(window, field))
        << field.key.section << "." << field.key.name;
  }
}

}  // namespace
}  // namespace orvane::ctl
