#pragma once
// The program's one window, GPS: the title, the four framed groups of setting fields, the two
// buttons, the status line and the menu bar ("&Comm" with ports 1..8, "&Exit"). It realises the
// controls the logic reads and writes, and forwards clicks to the form. Controls are placed at
// fixed positions (twips / 15 = logical pixels) inside a 474 x 406 client area.

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Controls.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;

namespace orvane::window {

class Form;

// The device that a Comm item's port number opens on this machine; empty when there is none.
using PortDeviceResolver = std::function<QString(std::int16_t)>;

class MainWindow final : public QMainWindow, public platform::Controls {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 474;
  static constexpr int kClientHeight = 406;

  explicit MainWindow(PortDeviceResolver devices = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The buttons and the menu items reach this form's handlers from now on; nullptr cuts them
  // off. The form must stay alive while it is wired.
  void Wire(Form* form) { form_ = form; }

  // platform::Controls
  std::string Text(platform::TextBox box) const override;
  void SetText(platform::TextBox box, std::string_view text) override;
  std::int16_t Value(platform::CheckBox box) const override;
  void SetValue(platform::CheckBox box, std::int16_t value) override;
  bool Selected(platform::OptionButton button) const override;
  void SetSelected(platform::OptionButton button, bool selected) override;
  std::int32_t LampColour() const override { return lampColour_; }
  void SetLampColour(std::int32_t colour) override;
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override;
  void EndProgram() override;

  // What the caption cannot say: the device the chosen port opens and why it cannot be opened.
  void SetLampToolTip(const QString& tip);

 signals:
  // The run is ending (Exit, or the window closed). Whoever owns the timers and the port stops
  // them here, so that no tick or receive event reaches the form afterwards.
  void programEnding();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls(QWidget* client);
  void BuildMenu();
  void RefreshPortTips();
  void EndRun();

  PortDeviceResolver devices_;
  Form* form_ = nullptr;
  bool ended_ = false;

  std::array<QLineEdit*, 7> texts_{};       // by platform::TextBox
  std::array<QCheckBox*, 4> checks_{};      // by platform::CheckBox
  std::array<QRadioButton*, 2> options_{};  // by platform::OptionButton
  QLabel* lblComQ_ = nullptr;
  QLabel* lblComText_ = nullptr;
  std::array<QAction*, 8> mnuComm_{};

  std::int32_t lampColour_ = 0;
  std::string caption_;
};

}  // namespace orvane::window
