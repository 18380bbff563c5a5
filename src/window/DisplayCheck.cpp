// SPDX-License-Identifier: Apache-2.0
#include "window/DisplayCheck.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvane::window {

namespace {

constexpr const char* kNeedsDisplay =
    "orvane-config: needs a graphical session (DISPLAY or WAYLAND_DISPLAY); over ssh use ssh -X, "
    "for automation xvfb-run orvane-config\n";

QtMessageHandler previousHandler = nullptr;

[[noreturn]] void ExitForWantOfDisplay() {
  std::fputs(kNeedsDisplay, stderr);
  std::fflush(stderr);
  std::_Exit(1);  // the application object is half built: nothing may be torn down
}

// Qt reports a display it cannot reach with warnings of its platform layer followed by a fatal
// error; all of them give way to the one line above.
void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool aboutThePlatform =
      context.category && std::strncmp(context.category, "qt.qpa", 6) == 0;
  if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
    ExitForWantOfDisplay();
  }
  if (aboutThePlatform && (message.contains(QLatin1String("connect to display")) ||
                           message.contains(QLatin1String("platform plugin")))) {
    return;
  }
  // Started outside a login session (ssh -X, sudo, xvfb-run) there is no XDG_RUNTIME_DIR; Qt
  // then uses a private folder of its own, and its warning on every start tells the operator
  // nothing to do.
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (previousHandler) previousHandler(type, context, message);
}

bool PlatformChosen(int argc, char** argv) {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

void RequireDisplay(int argc, char** argv) {
#if defined(Q_OS_LINUX)
  const bool named =
      !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (!named && !PlatformChosen(argc, argv)) ExitForWantOfDisplay();
#else
  static_cast<void>(argc);
  static_cast<void>(argv);
#endif
  previousHandler = qInstallMessageHandler(OnMessage);
}

}  // namespace orvane::window
