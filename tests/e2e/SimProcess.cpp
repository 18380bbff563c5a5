#include "SimProcess.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace orvane::testing {

SimProcess::SimProcess(const QStringList& arguments, const Store& preset) {
  link_ = dir_.filePath(QStringLiteral("ttySIM"));
  state_ = dir_.filePath(QStringLiteral("state"));
  if (!preset.empty()) {
    QFile file(state_);
    if (!file.open(QIODevice::WriteOnly)) return;
    for (const auto& [key, value] : preset) {
      file.write(QByteArray::fromStdString(key + "=" + value + "\n"));
    }
  }
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QStringLiteral(ORVANE_SIM_EXE),
                 QStringList{"--link", link_, "--state", state_, "--log"} + arguments);
  if (!process_.waitForStarted(10000)) return;
  // The link exists (and leads to a terminal) once the simulator serves.
  ok_ = WaitFor([&] { return QFileInfo::exists(link_) && QFileInfo::exists(state_); }, 10s);
}

SimProcess::~SimProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
  if (::testing::Test::HasFailure()) {
    std::fprintf(stderr, "--- orvane-sim log ---\n%s--- end of log ---\n", qPrintable(Output()));
  }
}

SimProcess::Store SimProcess::ReadStore() const {
  Store store;
  QFile file(state_);
  if (!file.open(QIODevice::ReadOnly)) return store;
  QTextStream in(&file);
  for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
    const auto equals = line.indexOf(QLatin1Char('='));
    if (line.startsWith(QLatin1Char('#')) || equals < 0) continue;
    store[line.left(equals).toStdString()] = line.mid(equals + 1).toStdString();
  }
  return store;
}

std::string SimProcess::Setting(const std::string& key) const {
  const Store store = ReadStore();
  const auto it = store.find(key);
  return it == store.end() ? std::string("(missing)") : it->second;
}

int SimProcess::Saves() const {
  const Store store = ReadStore();
  const auto it = store.find("saves");
  return it == store.end() ? 0 : std::atoi(it->second.c_str());
}

QString SimProcess::Output() {
  output_ += QString::fromUtf8(process_.readAllStandardOutput());
  return output_;
}

int SimProcess::CountLines(const QString& text) {
  int count = 0;
  for (const QString& line : Output().split(QLatin1Char('\n'))) {
    if (line.contains(text)) ++count;
  }
  return count;
}

void SimProcess::Command(const QByteArray& line) {
  process_.write(line + "\n");
}

void SimProcess::Signal(int signal) {
  if (process_.processId() > 0) ::kill(static_cast<pid_t>(process_.processId()), signal);
}

}  // namespace orvane::testing
