// What the window does with the operator's clicks and with what the logic writes into it: the
// buttons and menu items reach the form's handlers, the lamp shows and reads back the colour set,
// and Exit or closing the window ends the run.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "WindowRig.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;
using platform::CheckBox;
using platform::OptionButton;
using platform::TextBox;

template <typename W = QWidget>
W* Find(const QObject& parent, const char* name) {
  return parent.findChild<W*>(QString::fromLatin1(name));
}

// Runs the application's event loop with `act` as its first event; the result is exec's, or -1
// if the loop had to be stopped from outside.
int RunEventLoop(const std::function<void()>& act) {
  QTimer start;
  start.setSingleShot(true);
  QObject::connect(&start, &QTimer::timeout, act);
  start.start(0);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  guard.start(10s);
  return QApplication::exec();
}

TEST(WindowEvents, ReadClickStartsTheReadWithYellowLampAndFirstCaption) {
  WindowRig rig;
  rig.window.show();
  QTest::mouseClick(Find(rig.window, "cmdRead"), Qt::LeftButton);
  EXPECT_EQ(rig.window.Caption(), "Read Configuration 0 of 12");
  EXPECT_EQ(rig.window.LampColour(), platform::Lamp::Yellow);
  EXPECT_EQ(Find<QLabel>(rig.window, "lblComText")->text(), "Read Configuration 0 of 12");
  EXPECT_TRUE(rig.tmrRead.IsRunning());
}

TEST(WindowEvents, WriteClickStartsTheWriteAndItsTicksSendTheFieldsAsTheyStand) {
  WindowRig rig;
  rig.window.show();
  rig.Advance(1000ms);  // the first Timer1 tick opens the port
  ASSERT_TRUE(rig.port.IsOpen());
  QTest::mouseClick(Find(rig.window, "cmdWrite"), Qt::LeftButton);
  EXPECT_EQ(rig.window.Caption(), "Write Configuration 0 of 49");
  EXPECT_EQ(rig.window.LampColour(), platform::Lamp::Yellow);
  ASSERT_TRUE(rig.tmrWrite.IsRunning());

  // An edit typed after the click is what a later row sends.
  QLineEdit* mask = Find<QLineEdit>(rig.window, "txtMask");
  mask->clear();
  QTest::keyClicks(mask, "15");
  rig.port.ClearWritten();
  rig.Advance(49 * 250ms);
  bool maskSent = false;
  for (const auto& written : rig.port.written()) {
    const std::string frame(written.frame.begin(), written.frame.end());
    maskSent = maskSent || frame.find(std::string("elevation_mask\0"
                                                  "15\0",
                                                  18)) != std::string::npos;
  }
  EXPECT_TRUE(maskSent);
}

TEST(WindowEvents, CommItemChoosesThePortThatTheNextTickOpens) {
  WindowRig rig;
  rig.Advance(1000ms);
  ASSERT_TRUE(rig.port.IsOpen());
  Find<QAction>(rig.window, "mnuComm3")->trigger();
  EXPECT_EQ(rig.form.watchdog().commPortNumber(), 3);
  EXPECT_FALSE(rig.port.IsOpen());
  rig.Advance(1000ms);
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.CommPort(), 3);
}

TEST(WindowEvents, CommMenuOffersPorts1To8NamingTheirDevices) {
  WindowRig rig;
  rig.window.show();
  QMenu* comm = Find<QMenu>(rig.window, "mnuComPort");
  ASSERT_NE(comm, nullptr);
  EXPECT_EQ(comm->title(), "&Comm");
  EXPECT_EQ(rig.window.menuBar()->actions().first(), comm->menuAction());

  comm->popup(rig.window.mapToGlobal(QPoint(0, 0)));  // tips are refreshed as it opens
  const QList<QAction*> items = comm->actions();
  ASSERT_EQ(items.size(), 8);
  for (int n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    const QAction* item = items[n - 1];
    EXPECT_EQ(item->objectName(), QStringLiteral("mnuComm%1").arg(n));
    EXPECT_EQ(item->text(), QString::number(n));
    EXPECT_FALSE(item->isCheckable());
    EXPECT_TRUE(item->isEnabled());
    EXPECT_TRUE(item->isVisible());
    const QString device = TestDevices(static_cast<std::int16_t>(n));
    const QString tip = device.isEmpty() ? QStringLiteral("no such port") : device;
    EXPECT_EQ(item->toolTip(), tip);
    EXPECT_EQ(item->statusTip(), tip);
  }
  comm->hide();
}

TEST(WindowEvents, OptionButtonsAreExclusive) {
  WindowRig rig;
  rig.window.show();
  // Click on the round indicator, at the left of each button.
  const auto click = [&](const char* name) {
    QWidget* option = Find(rig.window, name);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
  };
  click("OptRTCM");
  EXPECT_TRUE(rig.window.Selected(OptionButton::OptRTCM));
  EXPECT_FALSE(rig.window.Selected(OptionButton::optSBP));
  click("optSBP");
  EXPECT_TRUE(rig.window.Selected(OptionButton::optSBP));
  EXPECT_FALSE(rig.window.Selected(OptionButton::OptRTCM));

  rig.window.SetSelected(OptionButton::OptRTCM, true);
  EXPECT_FALSE(rig.window.Selected(OptionButton::optSBP));
  // Clearing the selected one is allowed and leaves neither selected.
  rig.window.SetSelected(OptionButton::OptRTCM, false);
  EXPECT_FALSE(rig.window.Selected(OptionButton::OptRTCM));
  EXPECT_FALSE(rig.window.Selected(OptionButton::optSBP));
}

TEST(WindowEvents, LampShowsAndReadsBackExactlyTheColourSet) {
  WindowRig rig;
  rig.window.show();
  QLabel* lamp = Find<QLabel>(rig.window, "lblComQ");
  for (const std::int32_t colour :
       {platform::Lamp::Red, platform::Lamp::Green, platform::Lamp::Yellow, 0x00123456, 0}) {
    SCOPED_TRACE(colour);
    rig.window.SetLampColour(colour);
    EXPECT_EQ(rig.window.LampColour(), colour);
    const QColor expected(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    const QImage image = lamp->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), expected);
  }
}

TEST(WindowEvents, FieldsAndCaptionCarryTextsUnchanged) {
  WindowRig rig;
  rig.window.SetText(TextBox::txtLat, "47.3769° Zürich");
  EXPECT_EQ(rig.window.Text(TextBox::txtLat), "47.3769° Zürich");
  rig.window.SetCaption("Com Port  3 not available");
  EXPECT_EQ(rig.window.Caption(), "Com Port  3 not available");
  EXPECT_EQ(Find<QLabel>(rig.window, "lblComText")->text(), "Com Port  3 not available");
  for (const std::int16_t value : {1, 0, 2}) {
    rig.window.SetValue(CheckBox::chkBeidou, value);
    EXPECT_EQ(rig.window.Value(CheckBox::chkBeidou), value);
  }
}

TEST(WindowEvents, ExitActsFromTheMenuBarAndEndsTheEventLoop) {
  WindowRig rig;
  rig.window.show();
  QMenuBar* bar = rig.window.menuBar();
  QAction* exit = Find<QAction>(rig.window, "mnuExit");
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), "&Exit");
  EXPECT_EQ(exit->menu(), nullptr);  // no drop-down
  EXPECT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions().last(), exit);

  QSignalSpy ending(&rig.window, &window::MainWindow::programEnding);
  const int result = RunEventLoop(
      [&] { QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(exit).center()); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ending.count(), 1);
  EXPECT_FALSE(rig.window.isVisible());

  // Nothing reaches the form any more.
  QTest::mouseClick(Find(rig.window, "cmdRead"), Qt::LeftButton);
  EXPECT_EQ(rig.window.Caption(), "Orvane Not Found");
}

TEST(WindowEvents, AltEEndsTheRunWithoutOpeningAnything) {
  WindowRig rig;
  rig.window.show();
  rig.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
  const int result =
      RunEventLoop([&] { QTest::keyClick(&rig.window, Qt::Key_E, Qt::AltModifier); });
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(rig.window.isVisible());
}

TEST(WindowEvents, ClosingTheWindowEndsTheRunLikeExit) {
  WindowRig rig;
  rig.window.show();
  QSignalSpy ending(&rig.window, &window::MainWindow::programEnding);
  const int result = RunEventLoop([&] { rig.window.close(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ending.count(), 1);
  // Closing runs none of the form's handlers: the status line is as start-up left it.
  EXPECT_EQ(rig.window.Caption(), "Orvane Not Found");
  EXPECT_EQ(rig.window.LampColour(), platform::Lamp::Red);
}

}  // namespace
}  // namespace orvane::testing
