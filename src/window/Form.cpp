#include "window/Form.h"

#include <chrono>

namespace orvane::window {

using namespace std::chrono_literals;

Form::Form(const FormPlatform& platform)
    : platform_(platform),
      receiver_(*this),
      search_(platform.GPS, platform.tmrComError, platform.controls, receiver_),
      watchdog_(platform.GPS, platform.controls, search_),
      read_(platform.GPS, platform.tmrRead, platform.controls),
      write_(platform.GPS, platform.tmrWrite, platform.controls) {
  platform_.Timer1.SetInterval(1000ms);
  platform_.tmrComError.SetInterval(2500ms);
  platform_.tmrRead.SetInterval(250ms);
  platform_.tmrWrite.SetInterval(250ms);
  platform_.tmrComError.Stop();
  platform_.tmrRead.Stop();
  platform_.tmrWrite.Stop();

  platform_.Timer1.SetTickHandler([this] { watchdog_.Timer1_Timer(); });
  platform_.tmrComError.SetTickHandler([this] { search_.tmrComError_Timer(); });
  platform_.tmrRead.SetTickHandler([this] { read_.tmrRead_Timer(); });
  platform_.tmrWrite.SetTickHandler([this] { write_.tmrWrite_Timer(); });
  platform_.GPS.SetBytesHandler(
      [this](std::span<const std::uint8_t> bytes) { receiver_.Receive(bytes); });
  // Only framing errors tell a wrong speed; breaks, parity errors and overruns spoil a frame,
  // which its checksum catches.
  platform_.GPS.SetLineErrorHandler([this](platform::LineError error) {
    if (error == platform::LineError::Framing) receiver_.CountFramingError();
  });

  platform_.Timer1.Start();
}

// The platform objects may outlive the form: leave no handler pointing at it.
Form::~Form() {
  platform_.GPS.SetBytesHandler(nullptr);
  platform_.GPS.SetLineErrorHandler(nullptr);
  for (platform::Timer* timer :
       {&platform_.Timer1, &platform_.tmrComError, &platform_.tmrRead, &platform_.tmrWrite}) {
    timer->Stop();
    timer->SetTickHandler(nullptr);
  }
}

void Form::Form_Load() {
  watchdog_.Form_Load();
  receiver_.Restart();
}

}  // namespace orvane::window
