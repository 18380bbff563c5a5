// SPDX-License-Identifier: Apache-2.0
// orvanectl's values per receiver and its journal against orvane-sim: a fleet sheet giving three
// receivers their own addresses in one run, and a journal that keeps only whole lines however
// often a run is killed.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <array>

#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

struct CtlRun {
  int exit = -1;
  QJsonObject document;
  QByteArray err;
};

CtlRun Ctl(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(ORVANECTL_EXE), QStringList{"--json"} + arguments);
  EXPECT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 60s))
      << arguments.join(' ').toStdString();
  CtlRun run;
  run.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.document = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
  run.err = process.readAllStandardError();
  return run;
}

void Write(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QList<QByteArray> Lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QList<QByteArray> lines = file.readAll().split('\n');
  lines.removeAll(QByteArray());
  return lines;
}

TEST(CtlFleet, GivesEachReceiverItsOwnAddressInOneRunAndJournalsEachPort) {
  std::array<SimProcess, 3> sims;
  QTemporaryDir dir;
  const QString profile = dir.filePath("base.ini"), sheet = dir.filePath("fleet.csv"),
                journal = dir.filePath("journal");
  Write(profile, "[solution]\nelevation_mask = 7\n[ethernet]\nip_address = 192.168.0.9\n");
  QByteArray csv = "port,ethernet.ip_address\r\n";
  for (int i = 0; i < 3; ++i) {
    csv += sims[i].link().toUtf8() + (i == 2 ? "," : ",192.168.0." + QByteArray::number(21 + i));
    csv += "\r\n";
  }
  Write(sheet, csv);

  const CtlRun run = Ctl({"--journal", journal, "apply", profile, "--fleet", sheet});
  ASSERT_EQ(run.exit, 0) << QJsonDocument(run.document).toJson().toStdString();
  ASSERT_EQ(run.document.value("ports").toArray().size(), 3);
  const char* addresses[] = {"192.168.0.21", "192.168.0.22", "192.168.0.9"};  // the last: empty
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sims[i].ReadStore()["ethernet.ip_address"], addresses[i]);
    EXPECT_EQ(sims[i].ReadStore()["solution.elevation_mask"], "7");
  }
  ASSERT_EQ(Lines(journal).size(), 3);

  // The journal answers for one receiver; a foreign line in it is skipped.
  QFile append(journal);
  ASSERT_TRUE(append.open(QIODevice::Append));
  append.write("not a journal line\n");
  append.close();
  const CtlRun history = Ctl({"journal", "--port", sims[1].link(), journal});
  EXPECT_EQ(history.exit, 0);
  const QJsonArray entries = history.document.value("entries").toArray();
  ASSERT_EQ(entries.size(), 1);
  EXPECT_EQ(entries[0].toObject().value("port").toString(), sims[1].link());
  EXPECT_EQ(entries[0].toObject().value("fleet").toString(), sheet);
  EXPECT_EQ(history.document.value("skipped").toInt(), 1);
}

TEST(CtlJournal, HoldsOnlyWholeLinesAfterRunsKilledAtRandomMoments) {
  SimProcess sim;
  QTemporaryDir dir;
  const QString profile = dir.filePath("base.ini"), journal = dir.filePath("journal");
  Write(profile, "[solution]\nelevation_mask = 7\n[ethernet]\nip_address = 192.168.0.9\n");
  const QStringList apply{"--port", sim.link(), "--journal", journal, "apply", "--all", profile};
  // How long a whole run takes here, so that the kills fall before, during and after its end.
  QElapsedTimer timer;
  timer.start();
  ASSERT_EQ(Ctl(apply).exit, 0);
  const int whole = static_cast<int>(timer.elapsed()) + 50;
  QRandomGenerator random(16);
  for (int i = 0; i < 20; ++i) {
    QProcess process;
    process.start(QStringLiteral(ORVANECTL_EXE), apply);
    ASSERT_TRUE(process.waitForStarted(10000));
    QTest::qWait(random.bounded(whole));
    process.kill();
    ASSERT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 10s));
  }
  ASSERT_EQ(Ctl(apply).exit, 0);
  const QList<QByteArray> lines = Lines(journal);
  EXPECT_GE(lines.size(), 2);
  for (const QByteArray& line : lines) {
    QJsonParseError error;
    const QJsonObject entry = QJsonDocument::fromJson(line, &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_EQ(entry.value("port").toString(), sim.link());
  }
}

}  // namespace
}  // namespace orvane::testing

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
