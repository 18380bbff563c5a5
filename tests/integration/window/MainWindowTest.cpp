// The window offscreen with the form behind it: what the operator first sees and where, the
// order Tab walks, and the clicks and menu items that reach the form.

#include <gtest/gtest.h>

#include <QApplication>
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
  EXPECT_EQ(rig.window.LampColour(), platform::Lamp::Red);
  EXPECT_TRUE(rig.Timer1.IsRunning() && !rig.tmrComError.IsRunning() && !rig.tmrRead.IsRunning() &&
              !rig.tmrWrite.IsRunning());

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

TEST(Window, OptionButtonsAreExclusiveAndTheLampReadsBackExactlyTheColourSet) {
  WindowRig rig;
  rig.window.show();
  QTest::mouseClick(Find(rig, "OptRTCM"), Qt::LeftButton, {}, QPoint(6, 8));  // on the indicator
  EXPECT_FALSE(rig.window.Selected(platform::OptionButton::optSBP));
  rig.window.SetSelected(platform::OptionButton::optSBP, true);
  EXPECT_FALSE(rig.window.Selected(platform::OptionButton::OptRTCM));

  for (const std::int32_t colour : {platform::Lamp::Green, platform::Lamp::Yellow, 0x00123456}) {
    rig.window.SetLampColour(colour);
    EXPECT_EQ(rig.window.LampColour(), colour);
    const QImage lamp = Find(rig, "lblComQ")->grab().toImage();
    EXPECT_EQ(lamp.pixelColor(lamp.rect().center()),
              QColor(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16));
  }
}

TEST(Window, ReadClickAndCommItemsReachTheForm) {
  WindowRig rig;
  rig.window.show();
  QTest::mouseClick(Find(rig, "cmdRead"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>(rig, "lblComText")->text(), "Read Configuration 0 of 12");
  EXPECT_TRUE(rig.tmrRead.IsRunning());

  QMenu* comm = Find<QMenu>(rig, "mnuComPort");
  comm->popup({});  // the items name their devices as the menu opens
  EXPECT_EQ(comm->actions()[2]->toolTip(), "/dev/ttyS3");
  comm->actions()[2]->trigger();
  EXPECT_EQ(rig.form.watchdog().commPortNumber(), 3);
}

// Exit on the menu bar, or closing the window, ends the event loop once and cuts off the form.
TEST(Window, ExitAndClosingTheWindowEndTheEventLoop) {
  for (const bool viaExit : {true, false}) {
    WindowRig rig;
    rig.window.show();
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
    Find<QPushButton>(rig, "cmdRead")->click();
    EXPECT_FALSE(rig.tmrRead.IsRunning());
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
