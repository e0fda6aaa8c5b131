#include "model/report.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/device_port.h"
#include "model/show.h"
#include "ports/telemechanics/pc.h"
#include "signals/params.h"

namespace vilk {

namespace {

std::string Dotted(std::uint32_t ip) {
  return Format("%d.%d.%d.%d", static_cast<int>(ip >> 24), static_cast<int>((ip >> 16) & 0xFF),
                static_cast<int>((ip >> 8) & 0xFF), static_cast<int>(ip & 0xFF));
}

// Every own signal of the tree with the (escaped) caption path of the item that owns its
// list, found in one walk: the path is built once per list, not once per row.
using Owners = std::unordered_map<const TParam*, const std::string*>;

void CollectOwners(const TItem& item, std::vector<std::unique_ptr<std::string>>& paths,
                   Owners& owners) {
  if (const auto* list = dynamic_cast<const TParams*>(&item); list && list->ListRole == kRoleOwn) {
    const TItem* owner = list->Owner ? list->Owner : list->Parent();
    paths.push_back(std::make_unique<std::string>(HtmlText(CaptionPath(owner ? *owner : *list))));
    for (const TParam* s : list->Items)
      if (s) owners.emplace(s, paths.back().get());
  }
  for (int i = 0; i < item.ChildCount(); ++i) CollectOwners(*item.Child(i), paths, owners);
}

std::string Number(float value) {
  return Format("%g", static_cast<double>(value));
}

void PointList(std::string& html, const TPC& pc, const Owners& owners) {
  html += "<h2>" + HtmlText(pc.Caption()) + "</h2>\n<p>";
  if (!pc.Place.empty()) html += "Место установки: " + HtmlText(pc.Place) + "<br>\n";
  html += "IP адрес ПЭВМ: " + Dotted(pc.PcIp) + Format(", адрес ASDU: %d</p>\n", pc.AsduAddress);
  html +=
      "<table>\n<tr><th>Тип</th><th>Адрес</th><th>Имя</th><th>Источник</th><th>Инверсия</th>"
      "<th>Коэффициент</th><th>Смещение</th></tr>\n";
  for (int kind : {kKindTS, kKindMTS, kKindTU, kKindTI, kKindTII, kKindTR}) {
    const TParams* list = pc.List(kind);
    if (!list) continue;
    const std::string kindText = SignalKindOf(kind)->Caption;
    const bool measured = kind == kKindTI || kind == kKindTII;
    for (int i = 0; i < list->Count(); ++i) {
      const TParam* s = list->At(i);
      // A placeholder keeps its address and shows nothing else.
      const auto owner = s ? owners.find(s) : owners.end();
      const bool owned = owner != owners.end();
      html += "<tr><td>" + kindText + "</td><td>" + Format("%d", pc.Base(kind) + i) + "</td><td>";
      if (s) html += HtmlText(s->Name());
      html += "</td><td>";
      if (owned) html += *owner->second;
      html += "</td><td>";
      if (owned && kind == kKindTS) html += s->Inverted ? "да" : "нет";
      html += "</td><td>";
      if (owned && measured) html += Number(s->Gain);
      html += "</td><td>";
      if (owned && measured) html += Number(s->Offset);
      html += "</td></tr>\n";
    }
  }
  html += "</table>\n";
}

}  // namespace

std::string HtmlText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CommissioningReportHtml(const Configuration& config, const std::string& source) {
  const TController& controller = config.Controller();
  const TProc* proc = controller.Proc();
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Отчёт о конфигурации</title>\n<style>\ntable { border-collapse: collapse; }\n"
      "td, th { border: 1px solid #888; padding: 2px 6px; }\n</style>\n</head>\n<body>\n";
  html += "<h1>Отчёт о конфигурации " + HtmlText(controller.Caption()) + "</h1>\n<p>";
  if (!source.empty()) html += "Файл: " + HtmlText(source) + "<br>\n";
  if (proc && !proc->Place.empty()) html += "Место установки: " + HtmlText(proc->Place) + "<br>\n";
  html += Format("Версия ПФ: %d.%d</p>\n", controller.Record.Major, controller.Record.Minor);

  // The ports, each with its board and its devices.
  html +=
      "<h2>Порты контроллера</h2>\n<table>\n<tr><th>Порт</th><th>Плата</th>"
      "<th>Устройства</th></tr>\n";
  for (int i = 0; proc && i < proc->ChildCount(); ++i) {
    const TItem* item = proc->Child(i);
    const auto* port = dynamic_cast<const TPort*>(item);
    html += "<tr><td>" + HtmlText(item->Caption()) + "</td><td>";
    if (port && port->LinkedBoard) html += HtmlText(port->LinkedBoard->Caption());
    html += "</td><td>";
    if (const auto* devices = dynamic_cast<const TDevicePort*>(item)) {
      bool first = true;
      for (const TPort* d : devices->Devices()) {
        html += (first ? "" : "<br>") + HtmlText(d->Caption());
        first = false;
      }
    }
    html += "</td></tr>\n";
  }
  html += "</table>\n";

  std::vector<std::unique_ptr<std::string>> paths;
  Owners owners;
  CollectOwners(controller, paths, owners);
  if (const TPortIP* ip = controller.PortIP())
    for (int i = 0; i < ip->ChildCount(); ++i)
      if (const auto* pc = dynamic_cast<const TPC*>(ip->Child(i))) PointList(html, *pc, owners);
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace vilk
