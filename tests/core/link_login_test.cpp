// Password transforms, the access key, password-file lines and the "Key" settings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "base/text.h"
#include "link/frame.h"
#include "link/login.h"

namespace vilk {
namespace {

TEST(LinkPassword, TransformOfKnownPasswords) {
  // Sum 0x126, s = 6: "F" "abc" "@" masked with 7, 8, 9, 10, 11.
  EXPECT_EQ(PasswordTransform("abc"), "AikiK");
  // The same sum (s = 6, the same masks) in another order: the characters are masked
  // where they stand, so the texts differ.
  EXPECT_EQ(PasswordTransform("acb"), "AijhK");
  // One more in the sum: s = 7, "G" "abd" "@" masked with 8, 9, 10, 11, 12.
  EXPECT_EQ(PasswordTransform("abd"), "OhhoL");
  // 40 x "A": s = 2600 mod 32 = 8, so the mask k + 8 wraps to 0 at k = 24 ("A" stays "A")
  // and the closing "@" at k = 42 takes 50 mod 32 = 18.
  const std::string forty = PasswordTransform(std::string(40, 'A'));
  EXPECT_EQ(forty, "AKJMLONQPSRUTWVYX[Z]\\_^A@CBEDGFIHKJMLONQPR");
  EXPECT_EQ(forty.size(), 42u);
  // The closing "@" tells s, so no two passwords share a text: all 65536 two-byte ones
  // give 65536 different four-character texts.
  std::set<std::string> texts;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string t = PasswordTransform({static_cast<char>(a), static_cast<char>(b)});
      ASSERT_EQ(t.size(), 4u);
      texts.insert(t);
    }
  }
  EXPECT_EQ(texts.size(), 65536u);
  // An empty password still gets its two framing characters: s = 0, "@@" ^ 1, 2.
  EXPECT_EQ(PasswordTransform(""), "AB");
  // cp1251 bytes above 0x7F take part in the sum and the mask.
  EXPECT_EQ(PasswordTransform(Utf8ToCp1251("Пароль")),
            std::string("\x41\xd9\xf7\xe8\xf7\xf1\xe7\x5c"));
}

TEST(LinkPassword, ScrambleAndItsInverse) {
  EXPECT_EQ(PasswordScramble("abc", 0), "AcagE");
  EXPECT_EQ(PasswordScramble("abc", 30), Cp1251ToUtf8("_\x7f\x7f\x7f["));
  EXPECT_EQ(PasswordUnscramble("AcagE"), "abc");
  for (int salt = 0; salt <= 30; ++salt) {
    EXPECT_EQ(PasswordUnscramble(PasswordScramble("Пароль 12", salt)), "Пароль 12") << salt;
    EXPECT_EQ(PasswordUnscramble(PasswordScramble("", salt)), "") << salt;
  }
  EXPECT_EQ(PasswordUnscramble(PasswordScrambleRandom("секрет")), "секрет");
  EXPECT_EQ(PasswordUnscramble(""), "");
  EXPECT_EQ(PasswordUnscramble("Ab"), "");
}

TEST(LinkLogin, AccessKeyIsTheCrcOfThePasswordFileLine) {
  LoginState login;
  EXPECT_FALSE(login.LoggedIn());
  EXPECT_FALSE(login.SendsKey());
  login.Confirm("admin", "abc");
  EXPECT_TRUE(login.SendsKey());
  EXPECT_EQ(login.TransformedPassword(), "AikiK");
  EXPECT_EQ(login.AccessKey(), 0xEEC5F80Eu);  // "admin=AikiK"
  EXPECT_EQ(login.AccessKey(), Crc32NoFinalXor(PasswordFileLine("admin", "abc")));

  // Name and transformed password are each cut to 16 characters.
  login.Confirm("abcdefghijklmnopqrst", "0123456789abcdef");
  EXPECT_EQ(login.UserName(), "abcdefghijklmnop");
  EXPECT_EQ(login.AccessKey(), 0xF3AA0C2Au);  // "abcdefghijklmnop=A4444<<<<44omsuw"

  login.Reject();
  EXPECT_FALSE(login.LoggedIn());
  EXPECT_FALSE(login.SendsKey());

  // An empty name is a login without a key.
  login.Confirm("", "x");
  EXPECT_TRUE(login.LoggedIn());
  EXPECT_FALSE(login.SendsKey());
}

TEST(LinkLogin, DialogLimitsKeepTheFileLineAndTheKeyInStep) {
  LoginState login;
  const std::string name(kUserNameChars, 'u');
  const std::string password(kPasswordChars, 'p');
  login.Confirm(name, password);
  EXPECT_EQ(login.AccessKey(), Crc32NoFinalXor(PasswordFileLine(name, password)));

  // Longer fields are cut in the file line the same way, never written whole.
  const std::string line = PasswordFileLine("abcdefghijklmnopqrst", "0123456789abcdef");
  EXPECT_EQ(line, "abcdefghijklmnop=A4444<<<<44omsuw");
  login.Confirm("abcdefghijklmnopqrst", "0123456789abcdef");
  EXPECT_EQ(login.AccessKey(), Crc32NoFinalXor(line));
}

TEST(LinkLogin, PasswordFileLines) {
  const std::string ivan = PasswordFileLine("ivan", "abc");
  EXPECT_EQ(ivan, "ivan=AikiK");
  // Replaces the line of that name, keeps the others, ends every line with CR LF.
  EXPECT_EQ(UpsertPasswordFileLine("admin=old\r\nivan=x\r\nivanov=y", "ivan", "abc"),
            "admin=old\r\nivan=AikiK\r\nivanov=y\r\n");
  EXPECT_EQ(UpsertPasswordFileLine("admin=old\n", "ivan", "abc"), "admin=old\r\nivan=AikiK\r\n");
  EXPECT_EQ(UpsertPasswordFileLine("", "ivan", "abc"), "ivan=AikiK\r\n");
  // Cyrillic names are cp1251 in the file.
  EXPECT_EQ(UpsertPasswordFileLine("", "Иван", "abc"), Utf8ToCp1251("Иван") + "=AikiK\r\n");

  const std::string dir = ::testing::TempDir() + "vilk_pwfile_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/keys.ini";
  std::string error;
  ASSERT_TRUE(AddToPasswordFile(path, "admin", "abc", &error)) << error;
  ASSERT_TRUE(AddToPasswordFile(path, "ivan", "abc", &error)) << error;
  ASSERT_TRUE(AddToPasswordFile(path, "admin", "abc", &error)) << error;
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "admin=AikiK\r\nivan=AikiK\r\n");
  std::filesystem::remove_all(dir);
}

TEST(LinkLogin, KeySectionAndTheDialogsOk) {
  IniDocument ini;
  KeySettings keys;
  keys.Load(ini);
  EXPECT_EQ(keys.UserLogin, "admin");
  EXPECT_EQ(keys.UserPassword, "");
  EXPECT_FALSE(keys.ShowPassword);
  EXPECT_TRUE(keys.SavePassword);

  LoginState login;
  ConfirmLoginDialog(login, keys, "oper", "abc", true, true, 0);
  EXPECT_TRUE(login.LoggedIn());
  EXPECT_EQ(keys.UserLogin, "oper");
  EXPECT_EQ(keys.UserPassword, "AcagE");
  keys.Store(ini);
  EXPECT_EQ(ini.ReadString("Key", "UserPassword"), "AcagE");
  EXPECT_EQ(ini.ReadString("Key", "ShowPassword"), "1");

  // Unticked "Запомнить пароль" keeps the values saved before.
  ConfirmLoginDialog(login, keys, "other", "zzz", false, false, 5);
  EXPECT_EQ(login.UserName(), "other");
  EXPECT_EQ(keys.UserLogin, "oper");
  EXPECT_EQ(keys.UserPassword, "AcagE");
  EXPECT_FALSE(keys.ShowPassword);
  EXPECT_FALSE(keys.SavePassword);

  KeySettings reread;
  keys.Store(ini);
  reread.Load(ini);
  EXPECT_EQ(PasswordUnscramble(reread.UserPassword), "abc");
  EXPECT_FALSE(reread.SavePassword);
}

}  // namespace
}  // namespace vilk
