// SPDX-License-Identifier: Apache-2.0
#include "BaseProfile.h"

#include <string_view>
#include <variant>

#include "transfer/BaseStation.h"

namespace orvane::ctl {

namespace {

// A text field the window opens empty or at zero: an address or a position.
bool Blanks(const transfer::FormField& field) {
  const std::string_view initial = field.initial;
  return field.kind == transfer::FieldKind::Text && (initial.empty() || initial == "0");
}

}  // namespace

BaseProfileRows BaseProfileSettings(const BaseProfileFields& given) {
  transfer::FormValues fields(transfer::BaseStationFields());
  for (const auto& [key, value] : given) {
    if (const auto field = transfer::FieldFor(key)) transfer::ShowValue(fields, *field, value);
  }
  BaseProfileRows out;
  for (const transfer::ProfileRow& row : transfer::BaseStationProfile()) {
    std::string value;
    if (const auto* constant = std::get_if<std::string>(&row.value)) {
      value = *constant;
    } else if (const auto field = transfer::FieldFor(std::get<transfer::FieldOf>(row.value).key)) {
      if (Blanks(*field) && !given.contains(field->key)) {
        out.leftOut.emplace_back(row.key.section + "." + row.key.name, field->option);
        continue;
      }
      value = transfer::FieldValue(fields, *field);
    }
    out.rows.push_back({row.key.section, row.key.name, std::move(value), 0});
  }
  return out;
}

}  // namespace orvane::ctl
