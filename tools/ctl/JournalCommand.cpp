// SPDX-License-Identifier: Apache-2.0
#include "JournalCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Json.h"

namespace orvane::ctl {

namespace {

Json FromQt(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::Bool:
      return value.toBool();
    case QJsonValue::Double:
      return static_cast<std::int64_t>(value.toDouble());
    case QJsonValue::String:
      return value.toString().toStdString();
    case QJsonValue::Array: {
      Json::Array array;
      for (const QJsonValue& each : value.toArray()) array.push_back(FromQt(each));
      return array;
    }
    case QJsonValue::Object: {
      Json::Object object;
      const QJsonObject from = value.toObject();
      for (auto at = from.begin(); at != from.end(); ++at)
        object.emplace_back(at.key().toStdString(), FromQt(at.value()));
      return object;
    }
    default:
      return {};
  }
}

// A journal entry names its time, command and port, and its settings are a list.
bool IsEntry(const QJsonObject& object) {
  return object.value("time").isString() && object.value("command").isString() &&
         object.value("port").isString() && object.value("settings").isArray();
}

// Two names of one device (a link and its target) are one port.
bool SamePort(const std::string& asked, const std::string& recorded) {
  if (asked == recorded) return true;
  std::error_code a, b;
  const auto left = std::filesystem::canonical(asked, a);
  const auto right = std::filesystem::canonical(recorded, b);
  return !a && !b && left == right;
}

bool Matches(const QJsonObject& entry, const JournalQuery& query) {
  const std::string port = entry.value("port").toString().toStdString();
  if (!query.ports.empty() &&
      std::none_of(query.ports.begin(), query.ports.end(),
                   [&](const std::string& asked) { return SamePort(asked, port); })) {
    return false;
  }
  const QJsonValue sender = entry.value("sender");
  return !query.sender || (sender.isDouble() && sender.toInt(-1) == *query.sender);
}

std::string Shown(const QJsonValue& value) {
  if (!value.isString()) return "?";
  std::string text = "\"";
  return text.append(value.toString().toStdString()).append("\"");
}

void EntryText(std::string& out, const QJsonObject& entry) {
  out += entry.value("time").toString().toStdString() + "  " +
         entry.value("command").toString().toStdString();
  for (const char* path : {"profile", "fleet"}) {
    if (entry.value(path).isString())
      out.append(" ").append(entry.value(path).toString().toStdString());
  }
  out.append("  ").append(entry.value("port").toString().toStdString());
  if (entry.value("sender").isDouble()) {
    char hex[24];
    std::snprintf(hex, sizeof hex, " (sender 0x%04X)", entry.value("sender").toInt());
    out += hex;
  }
  out.append(": exit ").append(std::to_string(entry.value("exit").toInt()));
  if (entry.value("saved").toBool()) out += ", saved";
  if (entry.value("rolled_back").toBool()) out += ", rolled back";
  if (entry.value("diagnosis").isString())
    out.append(", ").append(entry.value("diagnosis").toString().toStdString());
  out += '\n';
  int same = 0;
  for (const QJsonValue& each : entry.value("settings").toArray()) {
    const QJsonObject setting = each.toObject();
    const QString outcome = setting.value("outcome").toString();
    if (outcome == "unchanged" || outcome == "read") {
      ++same;
      continue;
    }
    const QString key =
        setting.value("section").toString() + '.' + setting.value("name").toString();
    out.append("  ").append(key.toStdString()).append(": ");
    out.append(Shown(setting.value("before"))).append(" -> ");
    out.append(Shown(setting.value(outcome == "written" ? "after" : "wanted")));
    out.append(" (").append(outcome.toStdString());
    if (setting.value("restored").toBool()) out += ", restored";
    out += ")\n";
  }
  if (same > 0) out.append("  ").append(std::to_string(same)).append(" read or unchanged\n");
}

}  // namespace

JournalHistory ReadJournal(const std::string& text, const JournalQuery& query) {
  JournalHistory history;
  std::vector<std::pair<std::string, QJsonObject>> found;  // time, entry
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (error.error != QJsonParseError::NoError || !IsEntry(document.object())) {
      ++history.skipped;
      continue;
    }
    if (!Matches(document.object(), query)) continue;
    found.emplace_back(document.object().value("time").toString().toStdString(), document.object());
  }
  // Newest first: by time, and lines of one moment in the reverse of their order in the file.
  std::reverse(found.begin(), found.end());
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& each : found) history.entries.push_back(std::move(each.second));
  return history;
}

std::string JournalText(const JournalHistory& history) {
  if (history.entries.empty()) return "No journal entries.\n";
  std::string out;
  for (const QJsonObject& entry : history.entries) EntryText(out, entry);
  return out;
}

std::string JournalJson(const JournalHistory& history) {
  Json::Array entries;
  for (const QJsonObject& entry : history.entries) entries.push_back(FromQt(entry));
  return Json(Json::Object{{"command", "journal"},
                           {"exit", 0},
                           {"entries", std::move(entries)},
                           {"skipped", history.skipped}})
      .Dump();
}

int RunJournal(const JournalQuery& query, bool json) {
  std::error_code error;
  std::ifstream file;
  if (std::filesystem::is_regular_file(query.file, error)) file.open(query.file, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file.is_open() || file.bad()) {
    const std::string why = "journal " + query.file + ": cannot be read";
    std::fprintf(stderr, "orvanectl: %s\n", why.c_str());
    if (json) {
      const std::string document =
          Json(Json::Object{{"command", "journal"}, {"exit", 2}, {"error", why}}).Dump();
      std::fputs(document.c_str(), stdout);
    }
    return 2;
  }
  const JournalHistory history = ReadJournal(text.str(), query);
  if (history.skipped > 0) {
    std::fprintf(stderr, "orvanectl: %s: %d lines are not whole journal entries; skipped\n",
                 query.file.c_str(), history.skipped);
  }
  const std::string out = json ? JournalJson(history) : JournalText(history);
  std::fputs(out.c_str(), stdout);
  return 0;
}

}  // namespace orvane::ctl
