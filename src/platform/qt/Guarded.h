// SPDX-License-Identifier: Apache-2.0
#pragma once
// Handlers of the logic run inside Qt's signal delivery; nothing they throw may cross it. What
// is caught is logged under the given name and the event loop goes on.

#include <QtGlobal>
#include <exception>
#include <utility>

namespace orvane::platform::qt {

template <typename F>
void Guarded(const char* where, F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    qWarning("%s: %s", where, e.what());
  } catch (...) {
    qWarning("%s: unknown exception", where);
  }
}

}  // namespace orvane::platform::qt
