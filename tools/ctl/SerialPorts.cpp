// SPDX-License-Identifier: Apache-2.0
#include "SerialPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

#include "platform/qt/QtSerialPort.h"

namespace orvane::ctl {

namespace {

// The Comm items a listing shows numbers for, as in the window's menu.
constexpr std::int16_t kCommItems = 8;

// The /dev/serial/by-id/ link that leads to the device: its name stays the same whichever
// order the devices were plugged in.
QString StableName(const QString& device) {
  const QString target = QFileInfo(device).canonicalFilePath();
  if (target.isEmpty()) return {};
  const QDir byId(QStringLiteral("/dev/serial/by-id"));
  for (const QFileInfo& link :
       byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
    if (link.canonicalFilePath() == target) return link.absoluteFilePath();
  }
  return {};
}

QString Hex4(quint16 value) {
  return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

}  // namespace

std::vector<PortReport> ListSerialPorts() {
  std::vector<QString> numbered;
  for (std::int16_t n = 1; n <= kCommItems; ++n) numbered.push_back(platform::qt::DeviceForPort(n));

  std::vector<PortReport> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString device = info.systemLocation();
    SerialPortListing listing;
    listing.stableName = StableName(device).toStdString();
    listing.description = info.description().toStdString();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      listing.usbId =
          (Hex4(info.vendorIdentifier()) + ':' + Hex4(info.productIdentifier())).toStdString();
    }
    listing.serialNumber = info.serialNumber().toStdString();
    const auto item = std::find(numbered.begin(), numbered.end(), device);
    if (item != numbered.end()) listing.number = static_cast<int>(item - numbered.begin()) + 1;
    PortReport port;
    port.port = device.toStdString();
    port.listing = std::move(listing);
    ports.push_back(std::move(port));
  }
  // Numbered ports first, in their order, then the rest by name.
  std::stable_sort(ports.begin(), ports.end(), [](const PortReport& a, const PortReport& b) {
    const int na = a.listing->number.value_or(kCommItems + 1);
    const int nb = b.listing->number.value_or(kCommItems + 1);
    return na != nb ? na < nb : a.port < b.port;
  });
  return ports;
}

}  // namespace orvane::ctl
