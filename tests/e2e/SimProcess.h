#pragma once
// orvane-sim as a child process, its link and state file in a fresh temporary folder. The
// settings store is read back from the state file, which the simulator rewrites after every
// change; its log (--log) is collected from standard output.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <map>
#include <string>

namespace orvane::testing {

using namespace std::chrono_literals;

// Runs the event loop until done() holds or the time is up; returns done()'s last answer.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit) {
  const QDeadlineTimer deadline(limit);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QTest::qWait(20);
  }
  return true;
}

class SimProcess {
 public:
  using Store = std::map<std::string, std::string>;

  // preset: settings taken over the factory values before the receiver starts.
  explicit SimProcess(const QStringList& arguments = {}, const Store& preset = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Whether the simulator came up and placed its link.
  bool ok() const { return ok_; }
  const QString& link() const { return link_; }

  // The settings store as last written; "saves" counts the saves.
  Store ReadStore() const;
  std::string Setting(const std::string& key) const;
  int Saves() const;

  // Everything logged so far, and how many log lines contain text.
  QString Output();
  int CountLines(const QString& text);

  // A command on the simulator's standard input ("silent on", "noise on 100000", ...).
  void Command(const QByteArray& line);
  void Signal(int signal);

 private:
  QTemporaryDir dir_;
  QString link_;
  QString state_;
  QProcess process_;
  QString output_;
  bool ok_ = false;
};

}  // namespace orvane::testing
