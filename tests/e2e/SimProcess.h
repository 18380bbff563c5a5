// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvane-sim as a child process, its link and state file in a fresh temporary folder. The
// settings store is read back from the state file, which the simulator rewrites after every
// change; its log (--log) is collected from standard output and shown when a test fails.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace orvane::testing {

using namespace std::chrono_literals;

// Runs the event loop until done() holds or the time is up; returns done()'s last answer.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit) {
  return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

// A loopback port nobody listens on just now, for the simulator's --tcp; empty if none is free.
inline QString FreeTcpPort() {
  QTcpServer probe;
  return probe.listen(QHostAddress::LocalHost, 0) ? QString::number(probe.serverPort()) : QString();
}

class SimProcess {
 public:
  using Store = std::map<std::string, std::string>;

  // preset: settings taken over the factory values before the receiver starts.
  explicit SimProcess(const QStringList& arguments = {}, const Store& preset = {}) {
    QFile file(state_);
    if (!preset.empty() && !file.open(QIODevice::WriteOnly)) return;
    for (const auto& [key, value] : preset) file.write((key + "=" + value + "\n").c_str());
    file.close();
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(ORVANE_SIM_EXE,
                   QStringList{"--link", link_, "--state", state_, "--log"} + arguments);
    // The link exists (and leads to a terminal) once the simulator serves.
    EXPECT_TRUE(process_.waitForStarted(10000) &&
                WaitFor([&] { return QFileInfo::exists(link_) && QFileInfo::exists(state_); }, 10s))
        << "orvane-sim did not come up";
  }
  ~SimProcess() {
    process_.terminate();  // it removes its link and stops; the rest of its log comes in
    process_.waitForFinished(5000);
    if (::testing::Test::HasFailure()) {
      std::fprintf(stderr, "--- orvane-sim log ---\n%s--- end ---\n", qPrintable(Log()));
    }
  }

  const QString& link() const { return link_; }

  // The settings store as last written.
  Store ReadStore() const {
    Store store;
    QFile file(state_);
    if (!file.open(QIODevice::ReadOnly)) return store;
    for (const QByteArray& line : file.readAll().split('\n')) {
      const auto equals = line.indexOf('=');
      if (equals > 0) store[line.left(equals).toStdString()] = line.mid(equals + 1).toStdString();
    }
    return store;
  }

  // How often text occurs in the log so far. The log comes through a pipe and lags behind the
  // terminal and the state file: a count is final only once a later line is in.
  qsizetype Count(const QString& text) { return Log().count(text); }
  bool WaitForLine(const QString& text, std::chrono::milliseconds limit) {
    return WaitFor([&] { return Count(text) > 0; }, limit);
  }

  // A command on the simulator's standard input ("silent on", "noise on 100000", "unplug").
  void Command(const QByteArray& line) { process_.write(line + "\n"); }

 private:
  const QString& Log() { return output_ += QString::fromUtf8(process_.readAllStandardOutput()); }

  QTemporaryDir dir_;
  QString link_ = dir_.filePath("ttySIM");
  QString state_ = dir_.filePath("state");
  QProcess process_;
  QString output_;
};

}  // namespace orvane::testing
