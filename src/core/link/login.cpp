#include "link/login.h"

#include <random>

#include "base/files.h"
#include "base/text.h"
#include "link/frame.h"

namespace vilk {

std::string PasswordTransform(const std::string& p) {
  unsigned sum = 0;
  for (unsigned char c : p) sum += c;
  const unsigned s = sum % 32;
  std::string t;
  t += static_cast<char>(0x40 + s);
  t += p;
  t += '@';
  for (std::size_t k = 1; k <= t.size(); ++k)
    t[k - 1] = static_cast<char>(static_cast<unsigned char>(t[k - 1]) ^ ((k + s) % 32));
  return t;
}

std::string PasswordScramble(const std::string& utf8, int salt) {
  const unsigned a = static_cast<unsigned>(salt) % 31;
  const unsigned key = a + 1;
  std::string t;
  t += static_cast<char>(a + 65);
  t += Utf8ToCp1251(utf8);
  t += '@';
  for (std::size_t i = 2; i <= t.size(); ++i)
    t[i - 1] = static_cast<char>(static_cast<unsigned char>(t[i - 1]) ^ ((i * key) % 32));
  return Cp1251ToUtf8(t);
}

std::string PasswordScrambleRandom(const std::string& utf8) {
  static thread_local std::mt19937 gen{std::random_device{}()};
  return PasswordScramble(utf8, static_cast<int>(gen() % 31));
}

std::string PasswordUnscramble(const std::string& scrambledUtf8) {
  const std::string t = Utf8ToCp1251(scrambledUtf8);
  if (t.size() < 3) return {};
  const unsigned c = static_cast<unsigned char>(t[0]);
  std::string p;
  for (std::size_t i = 2; i <= t.size() - 1; ++i)
    p += static_cast<char>(static_cast<unsigned char>(t[i - 1]) ^ ((i * c) % 32));
  return Cp1251ToUtf8(p);
}

std::string PasswordFileLine(const std::string& userUtf8, const std::string& passwordUtf8) {
  // Cut as the login cuts them, so that the line and the access key always agree.
  return Utf8ToCp1251(Truncate(userUtf8, kUserNameChars)) + "=" +
         PasswordTransform(Utf8ToCp1251(passwordUtf8)).substr(0, 16);
}

std::string UpsertPasswordFileLine(const std::string& fileBytes, const std::string& userUtf8,
                                   const std::string& passwordUtf8) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < fileBytes.size()) {
    std::size_t end = fileBytes.find('\n', at);
    if (end == std::string::npos) end = fileBytes.size();
    std::string line = fileBytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  const std::string name = Utf8ToCp1251(userUtf8);
  const std::string entry = PasswordFileLine(userUtf8, passwordUtf8);
  bool replaced = false;
  for (std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && line.compare(0, eq, name) == 0 && eq == name.size()) {
      line = entry;
      replaced = true;
      break;
    }
  }
  if (!replaced) lines.push_back(entry);
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

bool AddToPasswordFile(const std::string& path, const std::string& userUtf8,
                       const std::string& passwordUtf8, std::string* error) {
  std::vector<std::uint8_t> old;
  const ReadResult r = ReadFileLimited(path, 1u << 20, old);
  // A missing file is a new one; anything else that cannot be read is not replaced.
  if (r != ReadResult::Ok && r != ReadResult::NotFound) {
    if (error) *error = "не удалось прочитать " + path;
    return false;
  }
  const std::string bytes =
      UpsertPasswordFileLine(std::string(old.begin(), old.end()), userUtf8, passwordUtf8);
  return WriteFileAtomic(path, bytes.data(), bytes.size(), error);
}

void LoginState::Confirm(const std::string& userUtf8, const std::string& passwordUtf8) {
  key_ = 0;
  user_ = Truncate(userUtf8, kUserNameChars);
  password_ = PasswordTransform(Utf8ToCp1251(passwordUtf8)).substr(0, 16);
  loggedIn_ = true;
}

std::uint32_t LoginState::AccessKey() {
  if (key_ == 0) {
    std::string line = (Utf8ToCp1251(user_) + "=").substr(0, 17);
    line += password_;
    key_ = Crc32NoFinalXor(std::string_view(line).substr(0, 33));
  }
  return key_;
}

void KeySettings::Load(const IniDocument& ini) {
  UserLogin = ini.ReadString("Key", "UserLogin", "admin");
  UserPassword = ini.ReadString("Key", "UserPassword", "");
  ShowPassword = ini.ReadBool("Key", "ShowPassword", false);
  SavePassword = ini.ReadBool("Key", "SavePassword", true);
}

void KeySettings::Store(IniDocument& ini) const {
  ini.WriteString("Key", "UserLogin", UserLogin);
  ini.WriteString("Key", "UserPassword", UserPassword);
  ini.WriteBool("Key", "ShowPassword", ShowPassword);
  ini.WriteBool("Key", "SavePassword", SavePassword);
}

void ConfirmLoginDialog(LoginState& login, KeySettings& keys, const std::string& userUtf8,
                        const std::string& passwordUtf8, bool showPassword, bool savePassword,
                        int salt) {
  login.Confirm(userUtf8, passwordUtf8);
  if (savePassword) {
    keys.UserLogin = login.UserName();
    keys.UserPassword = PasswordScramble(passwordUtf8, salt);
  }
  keys.ShowPassword = showPassword;
  keys.SavePassword = savePassword;
}

}  // namespace vilk
