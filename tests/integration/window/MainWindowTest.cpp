// The window as the operator first sees it: which controls it holds, where, with what captions
// and contents, and the order the Tab key walks.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <set>
#include <string>

#include "WindowRig.h"

namespace orvane::testing {
namespace {

using platform::CheckBox;
using platform::OptionButton;
using platform::TextBox;

template <typename W = QWidget>
W* Find(const window::MainWindow& window, const char* name) {
  return window.findChild<W*>(QString::fromLatin1(name));
}

QString CaptionOf(const QWidget* w) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(w)) return frame->title();
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* box = qobject_cast<const QLineEdit*>(w)) return box->text();
  return QStringLiteral("<no caption>");
}

struct Expected {
  const char* name;
  const char* kind;       // Qt class name
  const char* container;  // "client" for the window's client area
  const char* caption;    // caption or initial text
};

constexpr Expected kControls[] = {
    {"lblTitle", "QLabel", "client", "Orvane Base Station"},
    {"frmSatellites", "QGroupBox", "client", "Satellites"},
    {"chkGLONASS", "QCheckBox", "frmSatellites", "GLONASS"},
    {"chkSbas", "QCheckBox", "frmSatellites", "SBAS"},
    {"chkBeidou", "QCheckBox", "frmSatellites", "BeiDou"},
    {"chkGalileo", "QCheckBox", "frmSatellites", "Galileo"},
    {"txtMask", "QLineEdit", "frmSatellites", "10"},
    {"lblMask", "QLabel", "frmSatellites", "Elevation Mask"},
    {"frmRtk", "QGroupBox", "client", "RTK Protocol"},
    {"optSBP", "QRadioButton", "frmRtk", "SBP"},
    {"OptRTCM", "QRadioButton", "frmRtk", "RTCM v3"},
    {"frmEthernet", "QGroupBox", "client", "Ethernet"},
    {"txtIP", "QLineEdit", "frmEthernet", ""},
    {"lblIP", "QLabel", "frmEthernet", "IP Address"},
    {"txtSubnet", "QLineEdit", "frmEthernet", ""},
    {"lblSubnet", "QLabel", "frmEthernet", "Subnet Mask"},
    {"txtGateway", "QLineEdit", "frmEthernet", ""},
    {"lblGateway", "QLabel", "frmEthernet", "Gateway"},
    {"frmPosition", "QGroupBox", "client", "Surveyed Position"},
    {"txtLat", "QLineEdit", "frmPosition", "0"},
    {"lblLat", "QLabel", "frmPosition", "Latitude (deg)"},
    {"txtLon", "QLineEdit", "frmPosition", "0"},
    {"lblLon", "QLabel", "frmPosition", "Longitude (deg)"},
    {"txtAlt", "QLineEdit", "frmPosition", "0"},
    {"lblAlt", "QLabel", "frmPosition", "Altitude (m)"},
    {"cmdRead", "QPushButton", "client", "Read From Orvane"},
    {"cmdWrite", "QPushButton", "client", "Write to Orvane"},
    {"lblComQ", "QLabel", "client", ""},
    {"lblComText", "QLabel", "client", "Orvane Not Found"},  // written by start-up
};

TEST(MainWindow, HoldsExactlyTheFormsControlsWithTheirKindsContainersAndCaptions) {
  WindowRig rig;
  std::set<std::string> expectedNames;
  for (const Expected& e : kControls) {
    SCOPED_TRACE(e.name);
    expectedNames.insert(e.name);
    const QWidget* w = Find(rig.window, e.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), e.kind);
    EXPECT_EQ(w->parentWidget()->objectName().toStdString(), e.container);
    EXPECT_EQ(CaptionOf(w).toStdString(), e.caption);
  }
  std::set<std::string> actualNames;
  for (const QWidget* w : rig.window.centralWidget()->findChildren<QWidget*>()) {
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))) {
      actualNames.insert(w->objectName().toStdString());
    }
  }
  EXPECT_EQ(actualNames, expectedNames);
  EXPECT_EQ(rig.window.windowTitle(), QStringLiteral("Orvane Configuration"));
}

TEST(MainWindow, StartsWithTheInitialSettingsAndARedNotFoundStatus) {
  WindowRig rig;
  const auto& w = rig.window;
  for (TextBox box : {TextBox::txtIP, TextBox::txtSubnet, TextBox::txtGateway}) {
    EXPECT_EQ(w.Text(box), "");
  }
  EXPECT_EQ(w.Text(TextBox::txtMask), "10");
  for (TextBox box : {TextBox::txtLat, TextBox::txtLon, TextBox::txtAlt}) {
    EXPECT_EQ(w.Text(box), "0");
  }
  EXPECT_EQ(w.Value(CheckBox::chkGLONASS), platform::vbChecked);
  EXPECT_EQ(w.Value(CheckBox::chkSbas), platform::vbChecked);
  EXPECT_EQ(w.Value(CheckBox::chkBeidou), platform::vbUnchecked);
  EXPECT_EQ(w.Value(CheckBox::chkGalileo), platform::vbUnchecked);
  EXPECT_TRUE(w.Selected(OptionButton::optSBP));
  EXPECT_FALSE(w.Selected(OptionButton::OptRTCM));
  EXPECT_EQ(w.LampColour(), platform::Lamp::Red);
  EXPECT_EQ(w.Caption(), "Orvane Not Found");
  // Only Timer1 runs until another handler starts a timer.
  EXPECT_TRUE(rig.Timer1.IsRunning());
  EXPECT_FALSE(rig.tmrComError.IsRunning());
  EXPECT_FALSE(rig.tmrRead.IsRunning());
  EXPECT_FALSE(rig.tmrWrite.IsRunning());
}

TEST(MainWindow, PlacesControlsAtTheirTwipPositionsInsideA474By406ClientArea) {
  WindowRig rig;
  rig.window.show();
  EXPECT_EQ(rig.window.centralWidget()->size(), QSize(474, 406));
  EXPECT_GE(rig.window.height(), 406 + rig.window.menuBar()->height());

  const struct {
    const char* name;
    QRect pixels;
  } cases[] = {
      {"lblTitle", {72, 16, 337, 41}}, {"frmSatellites", {40, 64, 137, 129}},
      {"chkGalileo", {8, 80, 81, 17}}, {"frmEthernet", {208, 72, 225, 97}},
      {"txtIP", {16, 20, 105, 19}},    {"lblGateway", {136, 60, 80, 19}},
      {"OptRTCM", {8, 40, 113, 17}},   {"cmdRead", {64, 296, 113, 25}},
      {"lblComQ", {64, 352, 17, 17}},  {"lblComText", {88, 352, 281, 19}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Find(rig.window, c.name)->geometry(), c.pixels);
  }
}

TEST(MainWindow, TitleIsBold15PointSansSerif) {
  WindowRig rig;
  const QFont font = Find(rig.window, "lblTitle")->font();
  EXPECT_TRUE(font.bold());
  EXPECT_EQ(font.pointSize(), 15);
  QFont sans;
  sans.setStyleHint(QFont::SansSerif);
  EXPECT_TRUE(font.family() == QStringLiteral("MS Sans Serif") ||
              font.family() == sans.defaultFamily())
      << font.family().toStdString();
}

TEST(MainWindow, TabWalksTheFieldsAndButtonsInFormOrder) {
  WindowRig rig;
  const std::vector<std::string> expected{"chkGLONASS", "chkSbas",    "chkBeidou", "chkGalileo",
                                          "txtMask",    "optSBP",     "OptRTCM",   "txtIP",
                                          "txtSubnet",  "txtGateway", "txtLat",    "txtLon",
                                          "txtAlt",     "cmdRead",    "cmdWrite"};
  // One full turn of the focus chain, from the first field, keeping what Tab stops at.
  QWidget* first = Find(rig.window, "chkGLONASS");
  std::vector<std::string> order;
  QWidget* w = first;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w != &rig.window) {
      order.push_back(w->objectName().toStdString());
    }
    w = w->nextInFocusChain();
  } while (w != first);
  EXPECT_EQ(order, expected);
}

TEST(MainWindow, LabelsAndFramesTakeNoFocus) {
  WindowRig rig;
  for (const QWidget* w : rig.window.centralWidget()->findChildren<QWidget*>()) {
    if (qobject_cast<const QLabel*>(w) || qobject_cast<const QGroupBox*>(w)) {
      EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace orvane::testing
