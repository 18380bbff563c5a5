// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvanectl journal: one receiver's history from a journal, newest first. Lines that are not
// whole journal entries (torn, or something else's) are skipped and counted.

#include <QJsonObject>
#include <string>
#include <vector>

#include "Options.h"

namespace orvane::ctl {

struct JournalHistory {
  std::vector<QJsonObject> entries;  // the matching entries, newest first
  int skipped = 0;                   // lines that are not journal entries
};

// The entries of the text that the query's filters all match.
JournalHistory ReadJournal(const std::string& text, const JournalQuery& query);

std::string JournalText(const JournalHistory& history);
std::string JournalJson(const JournalHistory& history);

// Reads the query's file and prints its history; the exit status (2: the file cannot be read).
int RunJournal(const JournalQuery& query, bool json);

}  // namespace orvane::ctl
