#include "serial_ports.h"

#include <QSerialPortInfo>
#include <algorithm>

#include "base/format.h"
#include "link/login.h"
#include "link/protocol.h"
#include "serial_transport.h"

namespace vilk {

std::string SerialPortEntry::Text() const {
  std::string text = Name;
  if (!Description.empty()) text += " — " + Description;
  if (VendorId && ProductId) text += Format(" (USB %04x:%04x)", *VendorId, *ProductId);
  return text;
}

std::vector<SerialPortEntry> SystemSerialPorts() {
  std::vector<SerialPortEntry> out;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialPortEntry e;
    e.Name = info.portName().toStdString();
    e.Location = info.systemLocation().toStdString();
    e.Description = info.description().toStdString();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      e.VendorId = info.vendorIdentifier();
      e.ProductId = info.productIdentifier();
    }
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(),
            [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.Name < b.Name; });
  return out;
}

std::function<std::vector<SerialPortEntry>()>& SerialPortLister() {
  static std::function<std::vector<SerialPortEntry>()> lister = SystemSerialPorts;
  return lister;
}

LinkCheckResult CheckLink(const LinkSettings& settings, const TransportOptions& options) {
  LinkCheckResult r;
  std::unique_ptr<Transport> transport = MakeTransport(settings, options);
  if (!transport) {
    r.Text = "Способ подключения не выбран.";
    return r;
  }
  const std::string where = settings.IsSerial() ? "Порт " + settings.SerialDeviceName()
                                                : "Адрес " + FormatDotted(settings.DestIP);
  if (settings.IsSerial() && settings.SerialDeviceName().empty()) {
    r.Text = Format("Номер порта %d не соответствует ни одному устройству.", settings.ComN);
    return r;
  }
  if (!transport->Open()) {
    if (auto* serial = dynamic_cast<SerialTransport*>(transport.get()))
      r.Text = Format("Ошибка при инициализации СОМ-порта %s: %s", settings.SerialDeviceName(),
                      serial->OpenFailure());
    else
      r.Text = "Ошибка при инициализации сокета";
    return r;
  }
  r.Opened = true;
  SilentMessages quiet;
  LoginState login;
  LinkProtocol protocol(*transport, quiet, login);
  protocol.ShowLinkErrors = false;
  r.Answered = protocol.Identify(r.Identity);
  transport->Close();
  if (r.Answered)
    r.Text = Format("%s: ответил контроллер %s %s (тип %d).", where, r.Identity.Name,
                    r.Identity.VersionLabel(), r.Identity.TypeCode);
  else
    r.Text = where + ": связь открыта, контроллер не ответил.";
  return r;
}

}  // namespace vilk
