// The "Link" section of Vilk.ini: COM number rule, dotted addresses, the written form.
#include "link/link_settings.h"

#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/text.h"

namespace vilk {
namespace {

IniDocument FromText(std::string_view utf8) {
  IniDocument doc;
  doc.Parse(Utf8ToCp1251(utf8));
  return doc;
}

// The document as the file it writes would be read again.
IniDocument Reparse(const IniDocument& ini) {
  IniDocument doc;
  doc.Parse(ini.ToBytes());
  return doc;
}

TEST(LinkSettings, DefaultsWithoutAFile) {
  LinkSettings s;
  s.Load(IniDocument());
  EXPECT_EQ(s.LinkMode, 0);
  EXPECT_EQ(s.ComN, 1);
  EXPECT_EQ(s.SelfIP, (IPv4{0, 0, 0, 0}));
  EXPECT_EQ(s.DestIP, (IPv4{0, 0, 0, 0}));
  EXPECT_EQ(s.SerialDeviceName(), "/dev/ttyS0");
}

TEST(LinkSettings, ComNumbersUpToNinetyNineAreKeptOthersBecomeOne) {
  // A USB adapter is often COM9 or higher: such numbers are kept, in both readers.
  for (const auto& [text, expected] : std::vector<std::pair<std::string, int>>{{"9", 9},
                                                                               {"12", 12},
                                                                               {"99", 99},
                                                                               {"100", 1},
                                                                               {"0", 1},
                                                                               {"-3", 1},
                                                                               {"8", 8},
                                                                               {"5", 5},
                                                                               {"x", 1}}) {
    const IniDocument ini = FromText("[Link]\r\nСОМ_N=" + text + "\r\n");
    LinkSettings s;
    s.Load(ini);
    EXPECT_EQ(s.ComN, expected) << text;
    AppSettings app;
    app.Load(ini, "/opt/vilk/");
    EXPECT_EQ(app.ComN, expected) << text;
  }
  // The key's first three letters are Cyrillic: a Latin "COM_N" is another key.
  LinkSettings latin;
  latin.Load(FromText("[Link]\r\nCOM_N=5\r\n"));
  EXPECT_EQ(latin.ComN, 1);
}

TEST(LinkSettings, DottedAddresses) {
  EXPECT_EQ(ParseDotted("192.168.1.222"), (IPv4{192, 168, 1, 222}));
  EXPECT_EQ(ParseDotted(" 10 . 0 .0.  7 "), (IPv4{10, 0, 0, 7}));
  EXPECT_EQ(ParseDotted("00.00.00.00"), (IPv4{0, 0, 0, 0}));
  EXPECT_EQ(ParseDotted("300.256.1.513"), (IPv4{44, 0, 1, 1}));  // modulo 256
  EXPECT_FALSE(ParseDotted("192.168.1"));
  EXPECT_FALSE(ParseDotted("a.b.c.d"));
  EXPECT_FALSE(ParseDotted("1.2.3.4.5"));  // the fourth field is "4.5"
  EXPECT_EQ(FormatDotted({192, 168, 1, 2}), "192.168.1.2");
  EXPECT_EQ(FormatDotted({0, 0, 0, 0}), "0.0.0.0");
  EXPECT_TRUE(IsBroadcast({255, 255, 255, 255}));
  EXPECT_EQ(LowFirst({192, 168, 1, 2}), 0x0201A8C0u);
  EXPECT_EQ(FromLowFirst(0x0201A8C0u), (IPv4{192, 168, 1, 2}));
}

TEST(LinkSettings, ReadAndWrittenBack) {
  LinkSettings s;
  s.Load(FromText("[Link]\r\nMode=1\r\nСОМ_N=3\r\nSelfIP=192.168.001.010\r\nDestIP=junk\r\n"));
  EXPECT_TRUE(s.IsUdp());
  EXPECT_EQ(s.ComN, 3);
  EXPECT_EQ(s.SelfIP, (IPv4{192, 168, 1, 10}));
  EXPECT_EQ(s.DestIP, (IPv4{0, 0, 0, 0}));

  IniDocument out;
  s.Store(out);
  EXPECT_EQ(out.ToBytes(),
            "[Link]\r\nMode=1\r\n\xD1\xCE\xCC_N=3\r\nSelfIP=192.168.1.10\r\nDestIP=0.0.0.0\r\n");

  // A mode that is neither 0 nor 1 selects no transport.
  LinkSettings odd;
  odd.Load(FromText("[Link]\r\nMode=2\r\n"));
  EXPECT_FALSE(odd.IsUdp());
  EXPECT_FALSE(odd.IsSerial());
}

TEST(LinkSettings, SerialDevicesAndTheWindowSettings) {
  LinkSettings s;
  s.ComN = 4;
  EXPECT_EQ(s.SerialDeviceName(), "/dev/ttyS3");
  s.ComN = 12;
  EXPECT_EQ(s.SerialDeviceName(), "/dev/ttyS11");
  s.ComN = 100;  // beyond what the dialog takes: no device
  EXPECT_EQ(s.SerialDeviceName(), "");
  s.SerialDevice = "/dev/pts/7";
  EXPECT_EQ(s.SerialDeviceName(), "/dev/pts/7");

  AppSettings app;
  app.LinkMode = 1;
  app.ComN = 2;
  app.SelfIP = "10.0.0.1";
  app.DestIP = "10.0.0.9";
  app.SerialDevice = "/dev/ttyUSB0";
  LinkSettings fromApp = LinkSettings::FromApp(app);
  EXPECT_EQ(fromApp.DestIP, (IPv4{10, 0, 0, 9}));
  EXPECT_EQ(fromApp.SerialDevice, "/dev/ttyUSB0");
  fromApp.SerialDevice = "/dev/ttyACM1";
  fromApp.SelfIP = {10, 0, 0, 5};
  fromApp.ToApp(app);
  EXPECT_EQ(app.SelfIP, "10.0.0.5");
  EXPECT_EQ(app.SerialDevice, "/dev/ttyACM1");
  EXPECT_EQ(TargetSuffix(fromApp), " c IP адресом \r\r10.0.0.9");
  fromApp.LinkMode = 0;
  EXPECT_EQ(TargetSuffix(fromApp), "");
}

TEST(LinkSettings, TheDevicePathAndAHighNumberSurviveTheWindowSettingsFile) {
  // An older file: no "Device" key, and none is added while no device is chosen.
  IniDocument ini = FromText("[Link]\r\nMode=0\r\nСОМ_N=3\r\n");
  AppSettings app;
  app.Load(ini, "/opt/vilk/");
  EXPECT_EQ(app.SerialDevice, "");
  app.Store(ini);
  EXPECT_FALSE(ini.ValueExists("Link", "Device"));

  app.ComN = 17;
  app.SerialDevice = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
  app.Store(ini);
  AppSettings back;
  back.Load(Reparse(ini), "/opt/vilk/");
  EXPECT_EQ(back.ComN, 17);
  EXPECT_EQ(back.SerialDevice, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
  EXPECT_NE(ini.ToBytes().find("\xD1\xCE\xCC_N=17\r\n"), std::string::npos);
  LinkSettings link;
  link.Load(Reparse(ini));
  EXPECT_EQ(link.SerialDeviceName(), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");

  // Cleared again: the key stays, empty, and the number names the device once more.
  back.SerialDevice.clear();
  back.Store(ini);
  EXPECT_TRUE(ini.ValueExists("Link", "Device"));
  link.Load(Reparse(ini));
  EXPECT_EQ(link.SerialDeviceName(), "/dev/ttyS16");
}

}  // namespace
}  // namespace vilk
