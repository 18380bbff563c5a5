// SPDX-License-Identifier: Apache-2.0
// The window offscreen with its session behind it: what the operator first sees and where, the
// order Tab walks, the fields by setting, the status line drawn, and the clicks and menu items
// that reach the session.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "WindowRig.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

template <typename W = QWidget>
W* Find(const WindowRig& rig, const char* name) {
  return rig.window.findChild<W*>(QString::fromLatin1(name));
}

// Each control under `parent`: name=caption or text, [x] when checked, a frame's contents in {}.
QString Contents(const QWidget* parent) {
  QString out;
  for (const QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
      text = b->text() + (b->isChecked() ? "[x]" : "");
    if (auto* t = qobject_cast<const QLineEdit*>(w)) text = t->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (auto* f = qobject_cast<const QGroupBox*>(w)) text = f->title() + '{' + Contents(f) + '}';
    out += w->objectName() + '=' + text + "; ";
  }
  return out;
}

TEST(Window, StartsWithTheFormsControlsContentsStatesAndGeometry) {
  WindowRig rig;
  rig.window.show();
  EXPECT_EQ(Contents(rig.window.centralWidget()).toStdString(),
            "lblTitle=Orvane Base Station; frmSatellites=Satellites{chkGLONASS=GLONASS[x]; "
            "chkSbas=SBAS[x]; chkBeidou=BeiDou; chkGalileo=Galileo; txtMask=10; "
            "lblMask=Elevation Mask; }; frmRtk=RTK Protocol{optSBP=SBP[x]; OptRTCM=RTCM v3; }; "
            "frmEthernet=Ethernet{txtIP=; lblIP=IP Address; txtSubnet=; lblSubnet=Subnet Mask; "
            "txtGateway=; lblGateway=Gateway; }; frmPosition=Surveyed Position{txtLat=0; "
            "lblLat=Latitude (deg); txtLon=0; lblLon=Longitude (deg); txtAlt=0; "
            "lblAlt=Altitude (m); }; cmdRead=Read From Orvane; cmdWrite=Write to Orvane; "
            "lblComQ=; lblComText=Orvane Not Found; ");
  EXPECT_EQ(rig.window.windowTitle(), "Orvane Configuration");
  EXPECT_EQ(Find(rig, "lblComQ")->palette().color(QPalette::Window), QColor(Qt::red));

  EXPECT_EQ(rig.window.centralWidget()->size(), QSize(474, 406));
  const std::pair<const char*, QRect> placed[] = {
      {"lblTitle", {72, 16, 337, 41}}, {"frmEthernet", {208, 72, 225, 97}},
      {"txtIP", {16, 20, 105, 19}},    {"OptRTCM", {8, 40, 113, 17}},
      {"cmdRead", {64, 296, 113, 25}}, {"lblComQ", {64, 352, 17, 17}}};
  for (const auto& [name, pixels] : placed) EXPECT_EQ(Find(rig, name)->geometry(), pixels) << name;
}

TEST(Window, TabWalksTheFieldsAndButtonsInFormOrder) {
  WindowRig rig;
  QStringList order;
  QWidget* w = Find(rig, "chkGLONASS");
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
  } while ((w = w->nextInFocusChain()) != Find(rig, "chkGLONASS"));
  EXPECT_EQ(order.join(' ').toStdString(),
            "chkGLONASS chkSbas chkBeidou chkGalileo txtMask optSBP OptRTCM txtIP txtSubnet "
            "txtGateway txtLat txtLon txtAlt cmdRead cmdWrite");
}

// The fields by the setting each carries: a greyed box is off, and either option of the pair
// can be chosen, by the operator or by the logic.
TEST(Window, FieldsAreTheControlsByTheirSettingsAndTheLampIsDrawnAsSet) {
  WindowRig rig;
  rig.window.show();
  const link::SettingKey rtk{"uart0", "mode"}, sbas{"acquisition", "sbas_acquisition_enabled"};
  QTest::mouseClick(Find(rig, "OptRTCM"), Qt::LeftButton, {}, QPoint(6, 8));  // on the indicator
  EXPECT_FALSE(rig.window.IsOn(rtk));
  rig.window.SetOn(rtk, true);
  EXPECT_FALSE(Find<QAbstractButton>(rig, "OptRTCM")->isChecked());
  rig.window.SetOn(rtk, false);
  EXPECT_TRUE(Find<QAbstractButton>(rig, "OptRTCM")->isChecked());
  EXPECT_TRUE(rig.window.IsOn(sbas));
  Find<QCheckBox>(rig, "chkSbas")->setCheckState(Qt::PartiallyChecked);
  EXPECT_FALSE(rig.window.IsOn(sbas));
  rig.window.SetText({"ethernet", "gateway"}, "10.0.0.1");
  EXPECT_EQ(Find<QLineEdit>(rig, "txtGateway")->text(), "10.0.0.1");

  for (const std::int32_t colour : {session::lamp::kGreen, session::lamp::kYellow, 0x00123456}) {
    rig.session.status().SetLamp(colour);
    const QImage lamp = Find(rig, "lblComQ")->grab().toImage();
    EXPECT_EQ(lamp.pixelColor(lamp.rect().center()),
              QColor(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16));
  }
}

TEST(Window, ReadClickAndCommItemsReachTheSession) {
  WindowRig rig;
  rig.window.show();
  QTest::mouseClick(Find(rig, "cmdRead"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>(rig, "lblComText")->text(), "Read Configuration 0 of 12");
  EXPECT_TRUE(rig.session.reading().engine().IsRunning());

  QMenu* comm = Find<QMenu>(rig, "mnuComPort");
  comm->popup({});  // the items name their devices as the menu opens
  EXPECT_EQ(comm->actions()[2]->toolTip(), "/dev/ttyS3");
  comm->actions()[2]->trigger();
  EXPECT_EQ(rig.session.watchdog().portNumber(), 3);
  // The items stay captioned with their numbers alone and never carry a check mark: the device
  // is the tooltip's and the lamp's to name.
  QStringList items;
  for (const QAction* item : comm->actions()) {
    items << item->text() + (item->isCheckable() || item->isChecked() ? "[x]" : "");
  }
  EXPECT_EQ(items.join(' '), "1 2 3 4 5 6 7 8");
}

// The lamp's tooltip says how far the line got since the port was opened; the caption is the
// session's alone.
TEST(Window, TheLampsTooltipSaysHowFarTheLineGot) {
  WindowRig rig;
  const auto tip = [&rig] { return Find(rig, "lblComQ")->toolTip().toStdString(); };
  EXPECT_EQ(tip(), "");  // the port opens at the watchdog's first tick
  rig.clock.Advance(std::chrono::seconds(1));
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(tip(), "no bytes received");
  rig.port.Inject(ReadResponseFrame("uart1", "baudrate", "19200"));
  EXPECT_EQ(tip(), "frames but no heartbeat");
  rig.port.Inject(HeartbeatFrame());
  EXPECT_EQ(tip(), "heartbeat at 19200");
  EXPECT_EQ(Find<QLabel>(rig, "lblComText")->text(), "Communications Good");
}

// Exit on the menu bar, or closing the window, in the middle of a read or a write, ends the event
// loop once: every timer stops, the port closes and no frame follows.
TEST(Window, ExitAndClosingTheWindowMidTransferEndTheRunAtOnce) {
  for (const auto& [viaExit, button] : {std::pair{true, "cmdRead"}, std::pair{false, "cmdWrite"},
                                        std::pair{false, "cmdRead"}, std::pair{true, "cmdWrite"}}) {
    WindowRig rig;
    rig.window.show();
    rig.clock.Advance(std::chrono::milliseconds(1000));  // the port opens
    Find<QPushButton>(rig, button)->click();
    rig.clock.Advance(std::chrono::milliseconds(1000));
    const auto sent = rig.port.written().size();
    ASSERT_GT(sent, 0U);
    QSignalSpy ending(&rig.window, &window::MainWindow::programEnding);
    QMenuBar* bar = rig.window.menuBar();
    const QPoint exitAt = bar->actionGeometry(bar->actions().last()).center();
    QTimer::singleShot(0, &rig.window, [&] {
      viaExit ? QTest::mouseClick(bar, Qt::LeftButton, {}, exitAt) : void(rig.window.close());
    });
    QTimer::singleShot(10000, &rig.window, [] { QCoreApplication::exit(-1); });  // not a hang
    EXPECT_EQ(QApplication::exec(), 0) << viaExit;
    EXPECT_EQ(ending.count(), 1);
    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_FALSE(rig.session.AnyTimerRunning());
    EXPECT_FALSE(rig.port.IsOpen());
    Find<QPushButton>(rig, "cmdRead")->click();
    rig.clock.Advance(std::chrono::milliseconds(60000));
    EXPECT_EQ(rig.port.written().size(), sent) << button;
  }
}

}  // namespace
}  // namespace orvane::testing

int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // each test ends its own event loop
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
