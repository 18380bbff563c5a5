// SPDX-License-Identifier: Apache-2.0
#pragma once
// Runs a checked command line: reads the profile it names, resolves its ports, and hands the
// receiver commands to the engine.

#include "Options.h"
#include "Report.h"

namespace orvane::ctl {

Report Run(Options options);

}  // namespace orvane::ctl
