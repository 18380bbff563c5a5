#include "platform/SerialPort.h"

#include <charconv>

namespace orvane::platform {

namespace {

std::optional<std::int32_t> ParseNumber(std::string_view field) {
  std::int32_t value = 0;
  const auto* end = field.data() + field.size();
  const auto [ptr, ec] = std::from_chars(field.data(), end, value);
  if (field.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(std::string_view text) {
  std::string_view fields[4];
  for (int i = 0; i < 4; ++i) {
    const auto comma = text.find(',');
    if ((i < 3) == (comma == std::string_view::npos)) return std::nullopt;
    fields[i] = text.substr(0, comma);
    text = i < 3 ? text.substr(comma + 1) : std::string_view{};
  }
  const auto baud = ParseNumber(fields[0]);
  const auto dataBits = ParseNumber(fields[2]);
  const auto stopBits = ParseNumber(fields[3]);
  if (!baud || *baud <= 0 || !dataBits || *dataBits < 5 || *dataBits > 8 || !stopBits ||
      (*stopBits != 1 && *stopBits != 2) || fields[1].size() != 1 ||
      std::string_view("NEOMS").find(fields[1][0]) == std::string_view::npos) {
    return std::nullopt;
  }
  return LineSettings{*baud, fields[1][0], static_cast<std::int16_t>(*dataBits),
                      static_cast<std::int16_t>(*stopBits)};
}

}  // namespace orvane::platform
