// SPDX-License-Identifier: Apache-2.0
#pragma once
// The program's one window, GPS: the title, the four framed groups of setting fields, the two
// buttons, the status line and the menu bar ("&Comm" with ports 1..8, "&Exit"). It realises the
// setting fields the logic reads and writes, draws the session's status line, and forwards clicks
// and menu items to the session. Controls are placed at
// fixed positions (twips / 15 = logical pixels) inside a 474 x 406 client area.

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/FormFields.h"
#include "session/StatusLine.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;

namespace orvane::session {
class Session;
}

namespace orvane::window {

// The device that a Comm item's port number opens on this machine; empty when there is none.
using PortDeviceResolver = std::function<QString(std::int16_t)>;

class MainWindow final : public QMainWindow, public platform::FormFields {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 474;
  static constexpr int kClientHeight = 406;

  explicit MainWindow(PortDeviceResolver devices = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The buttons and the menu items reach this session from now on, and the status line shows
  // its status; nullptr cuts them off. The session must stay alive while it is wired.
  void Wire(session::Session* session);

  // platform::FormFields: the text boxes, the check boxes and the "SBP" option by the setting
  // each carries.
  std::string Text(const link::SettingKey& key) const override;
  void SetText(const link::SettingKey& key, std::string_view text) override;
  bool IsOn(const link::SettingKey& key) const override;
  void SetOn(const link::SettingKey& key, bool on) override;

  // What the caption cannot say, shown when the mouse rests on the lamp: the device the chosen
  // port opens and why it cannot be opened.
  void SetLampToolTip(const QString& text);
  // Ends the program at once; nothing reaches the session afterwards.
  void EndProgram();

 signals:
  // The run is ending (Exit, or the window closed). Whoever owns the timers and the port stops
  // them here, so that no tick or receive event reaches the session afterwards.
  void programEnding();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls(QWidget* client);
  void BuildMenu();
  void RefreshPortTips();
  void EndRun();
  void DrawStatus(session::StatusLine::Part part);
  void DrawLamp(std::int32_t colour);
  QLineEdit* TextBoxFor(const link::SettingKey& key) const;
  QAbstractButton* SwitchFor(const link::SettingKey& key) const;

  PortDeviceResolver devices_;
  session::Session* session_ = nullptr;
  bool ended_ = false;

  QLabel* lblComQ_ = nullptr;
  QLabel* lblComText_ = nullptr;
  QRadioButton* optSBP_ = nullptr;
  QRadioButton* OptRTCM_ = nullptr;
  std::array<QAction*, 8> mnuComm_{};
};

}  // namespace orvane::window
