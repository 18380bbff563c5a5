// SPDX-License-Identifier: Apache-2.0
#include "SettingsStore.h"

#include <sstream>
#include <utility>

namespace orvane::sim {

namespace {

// A base station as it leaves the factory: Ethernet on a private address, NMEA output on, the
// IMU streaming, the second serial port at 19200 baud.
const std::pair<const char*, const char*> kFactory[] = {
    {"acquisition.bds2_acquisition_enabled", "False"},
    {"acquisition.galileo_acquisition_enabled", "False"},
    {"acquisition.glonass_acquisition_enabled", "True"},
    {"acquisition.sbas_acquisition_enabled", "True"},
    {"ethernet.gateway", "192.168.0.1"},
    {"ethernet.interface_mode", "Active"},
    {"ethernet.ip_address", "192.168.0.222"},
    {"ethernet.netmask", "255.255.255.0"},
    {"imu.imu_raw_output", "True"},
    {"imu.mag_raw_output", "False"},
    {"nmea.gpgga_msg_rate", "10"},
    {"nmea.gpgll_msg_rate", "0"},
    {"nmea.gpgst_msg_rate", "10"},
    {"nmea.gpgsv_msg_rate", "10"},
    {"nmea.gphdt_msg_rate", "0"},
    {"nmea.gprmc_msg_rate", "10"},
    {"nmea.gpvtg_msg_rate", "10"},
    {"nmea.gpzda_msg_rate", "0"},
    {"nmea.gsa_msg_rate", "10"},
    {"ntrip.enable", "False"},
    {"simulator.enabled", "False"},
    {"solution.elevation_mask", "10"},
    {"solution.enable_beidou", "False"},
    {"solution.enable_galileo", "False"},
    {"solution.enable_glonass", "True"},
    {"standalone_logging.enable", "False"},
    {"surveyed_position.broadcast", "False"},
    {"surveyed_position.surveyed_alt", "45.32"},
    {"surveyed_position.surveyed_lat", "51.4778"},
    {"surveyed_position.surveyed_lon", "-0.0014"},
    {"tcp_client0.mode", "Disabled"},
    {"tcp_client1.mode", "Disabled"},
    {"tcp_server0.enabled_sbp_messages", "72,74,117,65535"},
    {"tcp_server0.mode", "SBP"},
    {"tcp_server0.port", "55555"},
    {"tcp_server1.enabled_sbp_messages", "72,74,117,65535"},
    {"tcp_server1.mode", "NMEA OUT"},
    {"tcp_server1.port", "55556"},
    {"uart0.baudrate", "115200"},
    {"uart0.enabled_sbp_messages", "72,74,117,65535"},
    {"uart0.flow_control", "None"},
    {"uart0.mode", "SBP"},
    {"uart1.baudrate", "19200"},
    {"uart1.enabled_sbp_messages", "72,74,117,165,175,65535"},
    {"uart1.flow_control", "None"},
    {"uart1.mode", "SBP"},
    {"udp_client0.mode", "Disabled"},
    {"udp_client1.mode", "Disabled"},
};

constexpr const char* kSavesKey = "saves";

std::string Key(const std::string& section, const std::string& name) {
  return section + "." + name;
}

// Values come off the wire and may hold any byte but NUL: line breaks and backslashes are
// escaped so that each setting stays on its own line.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

}  // namespace

SettingsStore::SettingsStore() {
  for (const auto& [key, value] : kFactory) values_.emplace(key, value);
}

bool SettingsStore::Attach(const std::string& path, std::string& error) {
  StateFile file;
  std::optional<std::string> text;
  if (!file.Open(path, error) || !file.Read(text, error) || (text && !Parse(*text, path, error))) {
    return false;
  }
  file_ = std::move(file);
  // Held as this store writes it, so that a file that says the same in other words (comments,
  // another order, factory values left out) is not rewritten for nothing.
  if (text) kept_ = Text();
  return true;
}

bool SettingsStore::Persist(std::string& error) {
  if (!file_ || file_->readOnly()) return true;
  std::string text = Text();
  if (text == kept_) return true;
  if (!file_->Replace(text, error)) return false;
  kept_ = std::move(text);
  return true;
}

std::string SettingsStore::Text() const {
  std::string text = "# orvane-sim settings store\n";
  text += std::string(kSavesKey) + "=" + std::to_string(saves_) + "\n";
  for (const auto& [key, value] : values_) text += key + "=" + Escape(value) + "\n";
  return text;
}

bool SettingsStore::Parse(const std::string& text, const std::string& name, std::string& error) {
  std::map<std::string, std::string> values = values_;
  int saves = saves_;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    const auto equals = line.find('=');
    const auto dot = line.find('.');
    const std::string key = line.substr(0, equals);
    if (equals != std::string::npos && key == kSavesKey) {
      std::istringstream number_text(line.substr(equals + 1));
      if (number_text >> saves) continue;
    } else if (equals != std::string::npos && dot != std::string::npos && dot > 0 &&
               dot + 1 < equals) {
      values[key] = Unescape(line.substr(equals + 1));
      continue;
    }
    error = name + ":" + std::to_string(number) + ": expected section.name=value";
    return false;
  }
  values_ = std::move(values);
  saves_ = saves;
  return true;
}

bool SettingsStore::Has(const std::string& section, const std::string& name) const {
  return values_.count(Key(section, name)) != 0;
}

std::optional<std::string> SettingsStore::Get(const std::string& section,
                                              const std::string& name) const {
  const auto it = values_.find(Key(section, name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void SettingsStore::Set(const std::string& section, const std::string& name,
                        const std::string& value) {
  values_[Key(section, name)] = value;
}

}  // namespace orvane::sim
