// SPDX-License-Identifier: Apache-2.0
#include "window/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <map>

#include "session/Session.h"
#include "transfer/BaseStation.h"

namespace orvane::window {

namespace {

enum class Kind { Label, Frame, Check, Text, Option, Button };

// One control as the form defines it: position and size in twips inside its container.
struct ControlDef {
  Kind kind;
  const char* name;
  const char* container;  // nullptr: the client area
  const char* caption;    // a setting field's initial text comes from its form table
  int left, top, width, height;
};

// Containers come before their contents.
constexpr ControlDef kControls[] = {
    {Kind::Label, "lblTitle", nullptr, "Orvane Base Station", 1080, 240, 5055, 615},
    {Kind::Frame, "frmSatellites", nullptr, "Satellites", 600, 960, 2055, 1935},
    {Kind::Check, "chkGLONASS", "frmSatellites", "GLONASS", 120, 300, 1215, 255},
    {Kind::Check, "chkSbas", "frmSatellites", "SBAS", 120, 600, 1215, 255},
    {Kind::Check, "chkBeidou", "frmSatellites", "BeiDou", 120, 900, 1215, 255},
    {Kind::Check, "chkGalileo", "frmSatellites", "Galileo", 120, 1200, 1215, 255},
    {Kind::Text, "txtMask", "frmSatellites", "", 120, 1500, 495, 285},
    {Kind::Label, "lblMask", "frmSatellites", "Elevation Mask", 720, 1500, 1215, 255},
    {Kind::Frame, "frmRtk", nullptr, "RTK Protocol", 600, 3240, 2055, 975},
    {Kind::Option, "optSBP", "frmRtk", "SBP", 120, 300, 1695, 255},
    {Kind::Option, "OptRTCM", "frmRtk", "RTCM v3", 120, 600, 1695, 255},
    {Kind::Frame, "frmEthernet", nullptr, "Ethernet", 3120, 1080, 3375, 1455},
    {Kind::Text, "txtIP", "frmEthernet", "", 240, 300, 1575, 285},
    {Kind::Label, "lblIP", "frmEthernet", "IP Address", 2040, 300, 1200, 285},
    {Kind::Text, "txtSubnet", "frmEthernet", "", 240, 600, 1575, 285},
    {Kind::Label, "lblSubnet", "frmEthernet", "Subnet Mask", 2040, 600, 1200, 285},
    {Kind::Text, "txtGateway", "frmEthernet", "", 240, 900, 1575, 285},
    {Kind::Label, "lblGateway", "frmEthernet", "Gateway", 2040, 900, 1200, 285},
    {Kind::Frame, "frmPosition", nullptr, "Surveyed Position", 3120, 2760, 3375, 1455},
    {Kind::Text, "txtLat", "frmPosition", "", 240, 300, 1575, 285},
    {Kind::Label, "lblLat", "frmPosition", "Latitude (deg)", 2040, 300, 1200, 285},
    {Kind::Text, "txtLon", "frmPosition", "", 240, 600, 1575, 285},
    {Kind::Label, "lblLon", "frmPosition", "Longitude (deg)", 2040, 600, 1200, 285},
    {Kind::Text, "txtAlt", "frmPosition", "", 240, 900, 1575, 285},
    {Kind::Label, "lblAlt", "frmPosition", "Altitude (m)", 2040, 900, 1200, 285},
    {Kind::Button, "cmdRead", nullptr, "Read From Orvane", 960, 4440, 1700, 375},
    {Kind::Button, "cmdWrite", nullptr, "Write to Orvane", 3840, 4440, 1700, 375},
    {Kind::Label, "lblComQ", nullptr, "", 960, 5280, 255, 255},
    {Kind::Label, "lblComText", nullptr, "", 1320, 5280, 4215, 285},
};

// The keyboard focus order; labels and frames take no focus.
constexpr const char* kTabOrder[] = {
    "chkGLONASS", "chkSbas",    "chkBeidou", "chkGalileo", "txtMask", "optSBP",  "OptRTCM", "txtIP",
    "txtSubnet",  "txtGateway", "txtLat",    "txtLon",     "txtAlt",  "cmdRead", "cmdWrite"};

// The control that shows a setting's field, from the form table; "uart0"/"mode" is on when "SBP"
// is selected.
QString ControlFor(const link::SettingKey& key) {
  const auto field = transfer::FieldFor(key);
  return field ? QString::fromLatin1(field->control) : QString();
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int Px(int twips) {
  return (twips + 7) / 15;
}

QWidget* Create(const ControlDef& def, QWidget* container) {
  const QString caption = QString::fromUtf8(def.caption);
  QWidget* widget = nullptr;
  switch (def.kind) {
    case Kind::Label: {
      auto* label = new QLabel(container);
      label->setTextFormat(Qt::PlainText);  // captions are shown as they stand, '<' included
      label->setText(caption);
      widget = label;
      break;
    }
    case Kind::Frame:
      widget = new QGroupBox(caption, container);
      break;
    case Kind::Check:
      widget = new QCheckBox(caption, container);
      break;
    case Kind::Text:
      widget = new QLineEdit(caption, container);
      break;
    case Kind::Option:
      widget = new QRadioButton(caption, container);
      break;
    case Kind::Button:
      widget = new QPushButton(caption, container);
      break;
  }
  widget->setObjectName(QString::fromLatin1(def.name));
  widget->setGeometry(Px(def.left), Px(def.top), Px(def.width), Px(def.height));
  return widget;
}

// "MS Sans Serif" where installed, else the system's sans-serif font.
QFont FormFont(int pointSize) {
  QFont font;
  if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))) {
    font.setFamily(QStringLiteral("MS Sans Serif"));
  } else {
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(font.defaultFamily());
  }
  font.setPointSize(pointSize);
  return font;
}

// The field captions must fit the widths the form gives them. Most sans-serif fonts are wider
// than MS Sans Serif, so narrow the font as far as needed to show every caption whole.
void FitCaptions(QWidget* client) {
  QFont font = FormFont(8);
  for (const int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
    font.setStretch(stretch);
    const QFontMetrics metrics(font);
    bool fits = true;
    for (const QLabel* label : client->findChildren<QLabel*>()) {
      if (label->objectName() == QLatin1String("lblTitle")) continue;
      fits = fits && metrics.horizontalAdvance(label->text()) <= label->width();
    }
    for (const QPushButton* button : client->findChildren<QPushButton*>()) {
      fits = fits && metrics.horizontalAdvance(button->text()) + 16 <= button->width();
    }
    if (fits) break;
  }
  client->setFont(font);
}

// A colour number is blue * 65536 + green * 256 + red.
QColor ToQColor(std::int32_t colour) {
  const auto bits = static_cast<std::uint32_t>(colour);
  return QColor(static_cast<int>(bits & 0xFFU), static_cast<int>((bits >> 8) & 0xFFU),
                static_cast<int>((bits >> 16) & 0xFFU));
}

std::int32_t ToColourNumber(const QColor& colour) {
  return colour.blue() * 65536 + colour.green() * 256 + colour.red();
}

}  // namespace

MainWindow::MainWindow(PortDeviceResolver devices, QWidget* parent)
    : QMainWindow(parent), devices_(std::move(devices)) {
  setObjectName(QStringLiteral("GPS"));
  setWindowTitle(QStringLiteral("Orvane Configuration"));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);
  BuildControls(client);
  BuildMenu();

  // The window keeps the size its controls were laid out for.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls(QWidget* client) {
  std::map<std::string, QWidget*> byName;
  for (const ControlDef& def : kControls) {
    QWidget* container = def.container ? byName.at(def.container) : client;
    byName[def.name] = Create(def, container);
  }

  FitCaptions(client);
  QFont title = FormFont(15);
  title.setBold(true);
  static_cast<QLabel*>(byName.at("lblTitle"))->setFont(title);
  static_cast<QLabel*>(byName.at("lblTitle"))->setAlignment(Qt::AlignCenter);

  optSBP_ = static_cast<QRadioButton*>(byName.at("optSBP"));
  OptRTCM_ = static_cast<QRadioButton*>(byName.at("OptRTCM"));
  for (const transfer::FormField& field : transfer::BaseStationFields()) {
    transfer::ShowValue(*this, field, field.initial);
  }

  lblComQ_ = static_cast<QLabel*>(byName.at("lblComQ"));
  lblComText_ = static_cast<QLabel*>(byName.at("lblComText"));
  lblComQ_->setAutoFillBackground(true);
  lblComQ_->setFrameShape(QFrame::Box);  // a thin outline keeps a pale lamp visible
  DrawLamp(ToColourNumber(palette().color(QPalette::Window)));

  for (std::size_t i = 1; i < std::size(kTabOrder); ++i) {
    setTabOrder(byName.at(kTabOrder[i - 1]), byName.at(kTabOrder[i]));
  }

  connect(static_cast<QPushButton*>(byName.at("cmdRead")), &QPushButton::clicked, this, [this] {
    if (session_) session_->OnReadClicked();
  });
  connect(static_cast<QPushButton*>(byName.at("cmdWrite")), &QPushButton::clicked, this, [this] {
    if (session_) session_->OnWriteClicked();
  });
}

void MainWindow::BuildMenu() {
  QMenu* comm = menuBar()->addMenu(QStringLiteral("&Comm"));
  comm->setObjectName(QStringLiteral("mnuComPort"));
  comm->setToolTipsVisible(true);
  for (std::size_t i = 0; i < mnuComm_.size(); ++i) {
    const auto n = static_cast<std::int16_t>(i + 1);
    QAction* item = comm->addAction(QString::number(n));
    item->setObjectName(QStringLiteral("mnuComm%1").arg(n));
    connect(item, &QAction::triggered, this, [this, n] {
      if (session_) session_->ChoosePort(n);
    });
    mnuComm_[i] = item;
  }
  // Which device a number opens can change while the program runs (a USB adapter plugged in).
  connect(comm, &QMenu::aboutToShow, this, &MainWindow::RefreshPortTips);

  // Exit sits on the menu bar itself and acts at once, without a drop-down.
  QAction* exit = menuBar()->addAction(QStringLiteral("&Exit"));
  exit->setObjectName(QStringLiteral("mnuExit"));
  connect(exit, &QAction::triggered, this, &MainWindow::EndProgram);
}

void MainWindow::RefreshPortTips() {
  for (std::size_t i = 0; i < mnuComm_.size(); ++i) {
    const QString device = devices_ ? devices_(static_cast<std::int16_t>(i + 1)) : QString();
    const QString tip = device.isEmpty() ? QStringLiteral("no such port") : device;
    mnuComm_[i]->setToolTip(tip);
    mnuComm_[i]->setStatusTip(tip);
  }
}

void MainWindow::Wire(session::Session* session) {
  if (session_) session_->status().SetObserver(nullptr);
  session_ = session;
  if (session_) {
    session_->status().SetObserver([this](session::StatusLine::Part part) { DrawStatus(part); });
  }
}

QLineEdit* MainWindow::TextBoxFor(const link::SettingKey& key) const {
  const QString name = ControlFor(key);
  return name.isEmpty() ? nullptr : findChild<QLineEdit*>(name);
}

QAbstractButton* MainWindow::SwitchFor(const link::SettingKey& key) const {
  const QString name = ControlFor(key);
  return name.isEmpty() ? nullptr : findChild<QAbstractButton*>(name);
}

std::string MainWindow::Text(const link::SettingKey& key) const {
  const QLineEdit* box = TextBoxFor(key);
  return box ? box->text().toStdString() : std::string();
}

void MainWindow::SetText(const link::SettingKey& key, std::string_view text) {
  if (QLineEdit* box = TextBoxFor(key)) box->setText(FromUtf8(text));
}

// A greyed check box is not on.
bool MainWindow::IsOn(const link::SettingKey& key) const {
  const QAbstractButton* button = SwitchFor(key);
  if (const auto* check = qobject_cast<const QCheckBox*>(button)) {
    return check->checkState() == Qt::Checked;
  }
  return button && button->isChecked();
}

void MainWindow::SetOn(const link::SettingKey& key, bool on) {
  QAbstractButton* button = SwitchFor(key);
  if (auto* check = qobject_cast<QCheckBox*>(button)) {
    check->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  } else if (button == optSBP_) {
    (on ? optSBP_ : OptRTCM_)->setChecked(true);  // selecting one clears the other
  }
}

void MainWindow::SetLampToolTip(const QString& text) {
  lblComQ_->setToolTip(text);
}

void MainWindow::DrawStatus(session::StatusLine::Part part) {
  const session::StatusLine& status = session_->status();
  if (part == session::StatusLine::Part::Lamp) {
    DrawLamp(status.lamp());
  } else {
    lblComText_->setText(FromUtf8(status.caption()));
  }
}

void MainWindow::DrawLamp(std::int32_t colour) {
  QPalette palette = lblComQ_->palette();
  palette.setColor(QPalette::Window, ToQColor(colour));
  lblComQ_->setPalette(palette);
}

void MainWindow::EndProgram() {
  EndRun();
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  EndRun();
  event->accept();
}

// Exit and closing the window both end the run at once: nothing reaches the session afterwards
// and the event loop returns.
void MainWindow::EndRun() {
  if (ended_) return;
  ended_ = true;
  Wire(nullptr);
  emit programEnding();
  QCoreApplication::exit(0);
}

}  // namespace orvane::window
