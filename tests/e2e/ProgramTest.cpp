// SPDX-License-Identifier: Apache-2.0
// The orvane-config program as a process: without a display it says what it needs; asked to stop
// by a signal it ends as Exit does, closing its port; tools/run.sh names a device that cannot
// serve. Real time, generous limits.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "support/PseudoTerminal.h"

namespace orvane {
namespace {

constexpr int kWait = 15000;  // ms; the machine may be loaded

QProcessEnvironment WithoutDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    env.remove(QString::fromLatin1(name));
  }
  return env;
}

struct Finished {
  int exitCode = -1;
  QStringList errorLines;
};

Finished RunProcess(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(kWait)) << "still running";
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  const QString err = QString::fromUtf8(process.readAllStandardError());
  return {process.exitCode(), err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

// No display named, or one named that cannot be reached.
TEST(WithoutAGraphicalSession, SaysWhatItNeedsInOneLineAndExitsWithOne) {
  for (const char* display : {static_cast<const char*>(nullptr), ":87"}) {
    SCOPED_TRACE(display ? display : "none");
    QProcessEnvironment env = WithoutDisplay();
    if (display) env.insert(QStringLiteral("DISPLAY"), display);
    const Finished run = RunProcess(QStringLiteral(ORVANE_CONFIG_EXE), {}, env);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.errorLines.size(), 1) << run.errorLines.join(QLatin1Char('\n')).toStdString();
    for (const char* word : {"graphical session", "ssh -X", "xvfb-run"}) {
      EXPECT_TRUE(run.errorLines.front().contains(QLatin1String(word))) << word;
    }
  }
}

// A pseudo-terminal behind a link, as COM port 1.
class WithADevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    ASSERT_TRUE(QFile::link(QString::fromStdString(pty_.name()), link_));
  }

  // Where QSerialPort keeps the lock file of the link: LCK.. and the path with / as _, in the
  // first of the usual lock directories that it may write to.
  QString LockFile() const {
    QString name = link_;
    name = QStringLiteral("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* dir : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp"}) {
      const QFileInfo info(QString::fromLatin1(dir));
      if (info.isDir() && info.isWritable()) return info.filePath() + name;
    }
    return QDir::tempPath() + name;
  }

  QTemporaryDir dir_;
  QString link_ = dir_.filePath(QStringLiteral("ttyProgram"));
  testing::PseudoTerminal pty_;
};

using Stopped = WithADevice;

TEST_F(Stopped, BySignalEndsLikeExitAndLeavesNoLockBehind) {
  for (const int stop : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stop == SIGTERM ? "SIGTERM" : "SIGINT");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORVANE_COM1"), link_);
    // Outside a login session (ssh, sudo) there is none; Qt's warning about it is not shown.
    if (stop == SIGINT) env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    program.start(QStringLiteral(ORVANE_CONFIG_EXE));
    ASSERT_TRUE(program.waitForStarted(kWait));
    // The first watchdog tick opens the port and locks it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(LockFile()); }, kWait))
        << LockFile().toStdString();
    ::kill(static_cast<pid_t>(program.processId()), stop);
    ASSERT_TRUE(program.waitForFinished(kWait));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(LockFile()));
    EXPECT_FALSE(program.readAllStandardError().contains("XDG_RUNTIME_DIR"));
    QFile::remove(LockFile());  // a failed run must not leave it for the next
  }
}

class RunScript : public WithADevice {
 protected:
  Finished RunWith(const QString& device) {
    return RunProcess(QStringLiteral("bash"),
                      {QStringLiteral(ORVANE_RUN_SH), QStringLiteral(ORVANE_BUILD_DIR), device},
                      WithoutDisplay());
  }
};

TEST_F(RunScript, NamesADeviceThatCannotServeAndStartsNoWindow) {
  const QString missing = dir_.filePath(QStringLiteral("ttyGone"));
  const QString plain = dir_.filePath(QStringLiteral("notes"));
  QFile(plain).open(QIODevice::WriteOnly);
  QSerialPort holder(link_);  // another program has the device open
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
  for (const auto& [device, reason] : {std::pair{missing, "no such device"},
                                       {plain, "not a serial device"},
                                       {link_, "busy: another program has it open"}}) {
    const Finished run = RunWith(device);
    EXPECT_EQ(run.exitCode, 1) << reason;
    // The window would have complained of the missing display had it been started.
    EXPECT_EQ(run.errorLines, QStringList{QStringLiteral("run.sh: %1: %2").arg(device, reason)});
  }
  holder.close();
  const Finished free = RunWith(link_);
  ASSERT_EQ(free.errorLines.size(), 1);
  EXPECT_TRUE(free.errorLines.front().contains(QLatin1String("graphical session")))
      << "a free device starts the window";
}

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
