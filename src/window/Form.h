#pragma once
// The form: owns the form state for the whole run (the frame receiver, the watchdog, the
// baud-rate search and the two transfer sequences) and wires every event to its handler:
// timer ticks, the serial port's communication event, the buttons and the menu. Plain C++:
// the Qt window realises the controls and forwards its events here.

#include <cstdint>
#include <span>

#include "link/FrameReceiver.h"
#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"
#include "supervision/BaudSearch.h"
#include "supervision/PortWatchdog.h"
#include "transfer/ReadSequence.h"
#include "transfer/WriteSequence.h"

namespace orvane::window {

// What the form drives: the serial control GPS, the four timers and the controls.
struct FormPlatform {
  platform::CommPort& GPS;
  platform::Timer& Timer1;
  platform::Timer& tmrComError;
  platform::Timer& tmrRead;
  platform::Timer& tmrWrite;
  platform::Controls& controls;
};

class Form final : private link::MessageHandlers {
 public:
  // The window is being created: timer intervals set, Timer1 running, the others stopped,
  // every event wired. Form_Load must run next, before any other handler.
  explicit Form(const FormPlatform& platform);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  void Form_Load();

  void cmdRead_Click() { read_.cmdRead_Click(); }
  void cmdWrite_Click() { write_.cmdWrite_Click(); }
  // The Comm menu's items "1" ... "8".
  void mnuComm_Click(std::int16_t n) { watchdog_.mnuComm_Click(n); }
  void mnuExit_Click() { platform_.controls.EndProgram(); }

  const link::FrameReceiver& receiver() const { return receiver_; }
  const supervision::PortWatchdog& watchdog() const { return watchdog_; }
  const supervision::BaudSearch& search() const { return search_; }
  const transfer::ReadSequence& reading() const { return read_; }
  const transfer::WriteSequence& writing() const { return write_; }

 private:
  // link::MessageHandlers: ProcessMessage's three destinations.
  void OnHeartbeat() override { watchdog_.OnHeartbeat(); }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    read_.OnSettingReadResponse(frame);
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    write_.OnSettingWriteResponse(frame);
  }

  const FormPlatform platform_;
  link::FrameReceiver receiver_;
  supervision::BaudSearch search_;
  supervision::PortWatchdog watchdog_;
  transfer::ReadSequence read_;
  transfer::WriteSequence write_;
};

}  // namespace orvane::window
