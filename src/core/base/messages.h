#pragma once
// How core talks to the user. The window shows modal boxes, the command-line tool prints
// to stderr and answers from its options, tests record the texts.
#include <string>
#include <vector>

namespace vilk {

enum class Answer { Yes = 1, No = 2, Cancel = 3 };

class IMessages {
 public:
  virtual ~IMessages() = default;
  // The error box: beeps and shows one message.
  virtual void Error(const std::string& text) = 0;
  // The question box with "Да" / "Нет" (and "Отмена" when asked for).
  virtual Answer Question(const std::string& text, bool withCancel) = 0;
  // A short beep without a box (the end of a load).
  virtual void Beep() {}
  // A plain message box without the error beep ("Время установлено.").
  virtual void Info(const std::string& /*text*/) {}
};

// Discards every message and answers "Нет" (benchmarks, fuzzers, background reads whose
// failures show otherwise).
class SilentMessages : public IMessages {
 public:
  void Error(const std::string&) override {}
  Answer Question(const std::string&, bool) override { return Answer::No; }
};

// Keeps every message; answers questions with a fixed answer. Used by tests and by
// parts of the program that must collect messages before showing them.
class RecordingMessages : public IMessages {
 public:
  explicit RecordingMessages(Answer answer = Answer::Yes) : answer_(answer) {}
  void Error(const std::string& text) override { Errors.push_back(text); }
  Answer Question(const std::string& text, bool) override {
    Questions.push_back(text);
    return answer_;
  }
  void Info(const std::string& text) override { Infos.push_back(text); }
  void SetAnswer(Answer answer) { answer_ = answer; }

  std::vector<std::string> Errors;
  std::vector<std::string> Questions;
  std::vector<std::string> Infos;

 private:
  Answer answer_;
};

}  // namespace vilk
