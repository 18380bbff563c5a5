// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvanectl run as a child process by the end-to-end tests, and what they read of its answer.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"

namespace orvane::testing {

struct CtlRun {
  int exit = -1;
  QByteArray out;
  QByteArray err;
  QJsonObject document;  // stdout as JSON, when it is
};

// orvanectl with exactly these arguments; the event loop keeps turning meanwhile, so that the
// simulators' logs keep flowing.
inline CtlRun RunCtl(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(ORVANECTL_EXE), arguments);
  EXPECT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 60s))
      << arguments.join(' ').toStdString();
  CtlRun run;
  run.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  run.document = QJsonDocument::fromJson(run.out).object();
  return run;
}

// orvanectl with --json: the document must parse and carry the exit status.
inline CtlRun Ctl(const QStringList& arguments) {
  CtlRun run = RunCtl(QStringList{"--json"} + arguments);
  QJsonParseError error;
  QJsonDocument::fromJson(run.out, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
  EXPECT_EQ(run.document.value("exit").toInt(-1), run.exit) << run.out.toStdString();
  return run;
}

inline QJsonObject Port(const CtlRun& run, qsizetype i = 0) {
  return run.document.value("ports").toArray().at(i).toObject();
}

// The entry of one setting on the first port.
inline QJsonObject Entry(const CtlRun& run, const QString& section, const QString& name) {
  for (const auto& value : Port(run).value("settings").toArray()) {
    const QJsonObject entry = value.toObject();
    if (entry.value("section") == section && entry.value("name") == name) return entry;
  }
  ADD_FAILURE() << "no entry for " << section.toStdString() << "." << name.toStdString();
  return {};
}

// The same for "section.name".
inline QJsonObject Entry(const CtlRun& run, const QString& key) {
  const auto dot = key.indexOf('.');
  return Entry(run, key.left(dot), key.mid(dot + 1));
}

// A file of the given text in a folder of its own, removed with this object.
class ProfileFile {
 public:
  explicit ProfileFile(const QByteArray& text) {
    QFile file(path_);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  const QString& path() const { return path_; }

 private:
  QTemporaryDir dir_;
  QString path_ = dir_.filePath("profile.ini");
};

}  // namespace orvane::testing
