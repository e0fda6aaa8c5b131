#pragma once
// Who is logged in to the controller: the user name and transformed password, the access
// key computed from them, the password transforms, the "Key" section of Vilk.ini and the
// lines of a password file.
//
// Passwords are turned into cp1251 bytes before they are transformed; the transformed
// password and the password-file line are cp1251 byte strings, since they are what the
// controller's CRC is computed over.
#include <cstdint>
#include <string>
#include <vector>

#include "base/ini.h"

namespace vilk {

// The login dialog limits its fields so that the password-file line it writes and the key
// computed from the (cut) login always agree: the transform adds two characters.
constexpr std::size_t kUserNameChars = 16;
constexpr std::size_t kPasswordChars = 14;

// Deterministic transform of a password (cp1251 bytes in, cp1251 bytes out, two longer).
std::string PasswordTransform(const std::string& cp1251);

// Reversible scramble for the INI file. `salt` is 0..30 (random in the dialog); UTF-8 in,
// UTF-8 out (the scrambled bytes read as cp1251 characters).
std::string PasswordScramble(const std::string& utf8, int salt);
std::string PasswordScrambleRandom(const std::string& utf8);
// The inverse; fewer than three characters give an empty password.
std::string PasswordUnscramble(const std::string& scrambledUtf8);

// One line of a password file, cp1251: user name, "=", transformed password, each cut to
// 16 characters like the login's, so that its CRC is the access key of that login.
std::string PasswordFileLine(const std::string& userUtf8, const std::string& passwordUtf8);

// Sets the line of `userUtf8` in a password file's bytes (replacing the line of that name,
// else appending one) and returns the new bytes. Lines end with CR LF.
std::string UpsertPasswordFileLine(const std::string& fileBytes, const std::string& userUtf8,
                                   const std::string& passwordUtf8);
// The same on disk: the file is read when it exists and written atomically.
bool AddToPasswordFile(const std::string& path, const std::string& userUtf8,
                       const std::string& passwordUtf8, std::string* error);

class LoginState {
 public:
  // The login dialog's OK: the key is computed afresh at its next use, the user name is
  // cut to 16 characters, the password transformed and cut to 16 characters.
  void Confirm(const std::string& userUtf8, const std::string& passwordUtf8);
  // After the controller refused a write with 1234: the next write asks again.
  void Reject() { loggedIn_ = false; }

  bool LoggedIn() const { return loggedIn_; }
  const std::string& UserName() const { return user_; }                 // UTF-8
  const std::string& TransformedPassword() const { return password_; }  // cp1251
  // Requests carry the key only when someone with a name is logged in.
  bool SendsKey() const { return loggedIn_ && !user_.empty(); }
  // Crc32NoFinalXor of "name=" (cut to 17) + transformed password, cut to 33 characters;
  // computed once per login.
  std::uint32_t AccessKey();

 private:
  std::string user_;
  std::string password_;
  bool loggedIn_ = false;
  std::uint32_t key_ = 0;
};

// Section "Key" of Vilk.ini: what the login dialog shows and remembers.
struct KeySettings {
  std::string UserLogin = "admin";
  std::string UserPassword;  // scrambled
  bool ShowPassword = false;
  bool SavePassword = true;

  void Load(const IniDocument& ini);
  void Store(IniDocument& ini) const;
};

// The login dialog's OK as a whole: confirms the login and updates the remembered values
// (the name and scrambled password only when "Запомнить пароль" is ticked).
void ConfirmLoginDialog(LoginState& login, KeySettings& keys, const std::string& userUtf8,
                        const std::string& passwordUtf8, bool showPassword, bool savePassword,
                        int salt);

}  // namespace vilk
