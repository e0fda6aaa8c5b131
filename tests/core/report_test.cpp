// The commissioning report: the ports with their boards and devices, a PC's point list with
// addresses from its bases, owners, inversion, gain and offset; text escaped; the page
// parses as HTML.
#include "model/report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "controller/controller.h"
#include "controller/port_ip.h"
#include "file_faults.h"
#include "ports/telemechanics/pc.h"
#include "signals/list_edit.h"
#include "test_items.h"

namespace vilk {
namespace {

class ReportTest : public test::WithTestKinds {
 protected:
  void SetUp() override {
    WithTestKinds::SetUp();
    config.Controller().ApplyModel();
    port = test::AddFieldPort(config, 3, "Ячейка", 2, 0, 1);
    test::LinkToBoard(port, 33);
    pc = static_cast<TPC*>(config.Controller().PortIP()->AddChild(test::kPcCode));
    pc->Place = "ЦУС";
    pc->PcIp = 0x0A000105;
    pc->BaseTS = 100;
    pc->BaseTI = 0x4000;
    TParam* q1 = port->TS()->At(0);
    q1->SetName("Q1 <вкл> & \"откл\"");
    q1->Inverted = 4;
    TParam* current = port->TI()->At(0);
    current->Gain = 0.5f;
    current->Offset = -2;
    pc->List(kKindTS)->Append(Acquire(q1));
    vilk::InsertPlaceholder(*pc->List(kKindTS), 1);
    pc->List(kKindTS)->Append(Acquire(port->TS()->At(1)));
    pc->List(kKindTI)->Append(Acquire(current));
  }

  RecordingMessages messages;
  Configuration config{messages};
  test::FieldPort* port = nullptr;
  TPC* pc = nullptr;
};

TEST_F(ReportTest, PortsAndPointList) {
  const std::string html = CommissioningReportHtml(config, "подстанция.cfg");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(html.find("<h1>Отчёт о конфигурации ВИЛК.A2</h1>\n<p>Файл: подстанция.cfg<br>\n"
                      "Версия ПФ: 1.12</p>\n"),
            std::string::npos)
      << html.substr(0, 600);
  EXPECT_NE(html.find("<tr><td>0_Порт_IP</td><td></td><td>1_Порт ПЭВМ</td></tr>\n"
                      "<tr><td>3_Порт Поле</td><td>COM_0.1 RS485</td><td></td></tr>\n"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<h2>1_Порт ПЭВМ</h2>\n<p>Место установки: ЦУС<br>\n"
                      "IP адрес ПЭВМ: 10.0.1.5, адрес ASDU: 1</p>\n"),
            std::string::npos)
      << html;
  const std::string owner = "ВИЛК.A2/Процессор/3_Порт Поле";
  // Addresses count from the kind's base; an empty position keeps its address.
  EXPECT_NE(html.find("<tr><td>ТС</td><td>100</td><td>Q1 &lt;вкл&gt; &amp; &quot;откл&quot;</td>"
                      "<td>" +
                      owner +
                      "</td><td>да</td><td></td><td></td></tr>\n"
                      "<tr><td>ТС</td><td>101</td><td></td><td></td><td></td><td></td><td></td>"
                      "</tr>\n<tr><td>ТС</td><td>102</td><td>" +
                      port->TS()->At(1)->Name() + "</td><td>" + owner +
                      "</td><td>нет</td><td></td><td></td></tr>\n"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<tr><td>ТИ</td><td>16384</td><td>" + port->TI()->At(0)->Name() +
                      "</td><td>" + owner + "</td><td></td><td>0.5</td><td>-2</td></tr>\n"),
            std::string::npos)
      << html;
  EXPECT_EQ(html.substr(html.size() - 16), "</body>\n</html>\n");
}

TEST_F(ReportTest, ThePageParsesAsHtml) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xmllint";
  test::ScratchFolder dir;
  const std::string path = dir / "report.html";
  const std::string html = CommissioningReportHtml(config, "a<b>.cfg");
  test::WriteAll(path, std::vector<std::uint8_t>(html.begin(), html.end()));
  // Errors and warnings alike fail the check.
  EXPECT_EQ(
      std::system(("xmllint --html --noout --nowarning " + path + " 2>" + path + ".err").c_str()),
      0);
  const std::vector<std::uint8_t> errors = test::ReadAll(path + ".err");
  EXPECT_TRUE(errors.empty()) << std::string(errors.begin(), errors.end());
}

}  // namespace
}  // namespace vilk
