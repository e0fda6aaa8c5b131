// Writing a configuration to a controller of another model: the write question says what
// the configuration is converted to and which boards go, and a write that does not go
// through leaves the configuration as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "controller/controller.h"
#include "link/commands.h"
#include "link_fixture.h"
#include "model/image_ops.h"

namespace vilk::test {
namespace {

class ModelChangeTest : public ::testing::TestWithParam<LinkKind> {};

// The tree without build time or checks, for comparing two states of a configuration.
Bytes Snapshot(Configuration& config) {
  ConfigImage image;
  EXPECT_TRUE(BuildImageUnchecked(config, image));
  return Bytes(image.Data(), image.Data() + image.TotalSize);
}

std::vector<std::string> Captions(const TController& controller) {
  std::vector<std::string> out;
  for (int i = 0; i < controller.ChildCount(); ++i) out.push_back(controller.Child(i)->Caption());
  return out;
}

const char kConversion[] =
    "Конфигурация ВИЛК.A2 будет преобразована для контроллера ВИЛК.A1-X v 1.11.\r"
    "Будут удалены платы (4): COM_0.5 RS485, COM_0.6 RS485, COM_0.7 RS485, COM_0.8 RS485.\r"
    "Будут добавлены платы: 1.\r\r"
    "Записать в RTU";

TEST_P(ModelChangeTest, TheQuestionNamesTheConversionAndNoKeepsTheConfiguration) {
  SimLink link(GetParam(), {"--type", "26", "--minor", "11", "--name", "ВИЛК.A1-X"});
  link.Login.Confirm("admin", "abc");
  link.Messages.SetAnswer(Answer::No);
  Configuration config(link.Messages);
  const Bytes before = Snapshot(config);
  const std::vector<std::string> boards = Captions(config.Controller());
  ASSERT_EQ(boards.size(), 9u);  // processor board and eight COM boards

  ConfigImage image;
  EXPECT_FALSE(WriteConfiguration(*link.Session, config, image, "/tmp/station.cfg"));
  ASSERT_EQ(link.Messages.Questions.size(), 1u);
  const std::string q = link.Messages.Questions[0];
  EXPECT_EQ(q.substr(0, std::string(kConversion).size()), kConversion) << q;
  EXPECT_NE(q.find("размер файла = "), std::string::npos);
  // Nothing was sent, and the configuration is the one the user had.
  EXPECT_FALSE(std::filesystem::exists(link.Dir() + "/VilkA2.cfg"));
  EXPECT_EQ(config.Controller().TypeCode, 23);
  EXPECT_EQ(config.Controller().Record.Name, "ВИЛК.A2");
  EXPECT_EQ(config.Controller().Desc.DisplayName, "ВИЛК.A2");
  EXPECT_EQ(Captions(config.Controller()), boards);
  EXPECT_EQ(Snapshot(config), before);
  EXPECT_TRUE(link.Messages.Errors.empty());

  // "Да": the same question, the conversion stays and the file is written.
  link.Messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(WriteConfiguration(*link.Session, config, image, "/tmp/station.cfg"));
  ASSERT_EQ(link.Messages.Questions.size(), 2u);
  EXPECT_EQ(link.Messages.Questions[1], q);
  EXPECT_EQ(config.Controller().TypeCode, 26);
  EXPECT_EQ(config.Controller().ChildCount(), 6);  // processor, DI and four COM boards
  EXPECT_EQ(ReadBytes(link.Dir() + "/VilkA2.cfg"),
            Bytes(image.Data(), image.Data() + image.TotalSize));

  // Now the models agree: the question is the plain one.
  ASSERT_TRUE(WriteConfiguration(*link.Session, config, image, "/tmp/station.cfg"));
  ASSERT_EQ(link.Messages.Questions.size(), 3u);
  EXPECT_EQ(link.Messages.Questions[2].rfind("Записать в RTU", 0), 0u)
      << link.Messages.Questions[2];
}

TEST_P(ModelChangeTest, ALostLinkDuringTheWriteTakesTheConversionBack) {
  // Every write segment is ignored: the transfer fails after the question was answered.
  SimLink link(GetParam(), {"--type", "22", "--fault", "write:drop"}, 300);
  link.Login.Confirm("admin", "abc");
  Configuration config(link.Messages);
  const Bytes before = Snapshot(config);
  ConfigImage image;
  EXPECT_FALSE(WriteConfiguration(*link.Session, config, image, "/tmp/station.cfg"));
  ASSERT_EQ(link.Messages.Questions.size(), 1u);
  const std::string want =
      "Конфигурация ВИЛК.A2 будет преобразована для контроллера ВИЛК.A1 v 1.12.\r"
      "Будут удалены платы (4): COM_0.5 RS485, COM_0.6 RS485, COM_0.7 RS485, COM_0.8 RS485.\r\r"
      "Записать в RTU";
  EXPECT_EQ(link.Messages.Questions[0].substr(0, want.size()), want);
  EXPECT_FALSE(link.Messages.Errors.empty());  // the failed segment was said
  EXPECT_EQ(config.Controller().TypeCode, 23);
  EXPECT_EQ(Snapshot(config), before);
}

INSTANTIATE_TEST_SUITE_P(Links, ModelChangeTest, ::testing::Values(LinkKind::Udp, LinkKind::Serial),
                         KindName);

}  // namespace
}  // namespace vilk::test
