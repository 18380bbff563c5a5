// SPDX-License-Identifier: Apache-2.0
#pragma once
// A small JSON value that keeps the order its members were added in, so a document reads in
// the order it is described (command, exit, ports ...). Texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace orvane::ctl {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;  // null
  Json(std::nullptr_t) {}
  Json(bool value) : value_(value) {}
  Json(int value) : value_(std::int64_t{value}) {}
  Json(std::int64_t value) : value_(value) {}
  Json(std::string value) : value_(std::move(value)) {}
  Json(const char* value) : value_(std::string(value)) {}
  Json(Array value) : value_(std::move(value)) {}
  Json(Object value) : value_(std::move(value)) {}
  template <typename T>
  Json(const std::optional<T>& value) {
    if (value) *this = Json(*value);
  }

  // Two-space indentation, one member or element per line.
  std::string Dump() const;
  // The whole value on one line, no spaces, ending in a line break: one record of a log.
  std::string DumpLine() const;

 private:
  // depth < 0: on one line.
  void DumpTo(std::string& out, int depth) const;

  std::variant<std::nullptr_t, bool, std::int64_t, std::string, Array, Object> value_;
};

}  // namespace orvane::ctl
