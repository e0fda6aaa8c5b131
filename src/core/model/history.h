#pragma once
// Undo and redo of every change to a configuration. Each step keeps the image of the whole
// configuration as it was (the records every kind already writes and reads, so a new kind
// has undo without code of its own); undoing loads that image back. The history is bounded
// by a number of steps and by the bytes it holds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/configuration.h"
#include "model/image.h"

namespace vilk {

class History {
 public:
  static constexpr std::size_t kMaxSteps = 100;
  static constexpr std::size_t kMaxBytes = 64u << 20;

  explicit History(Configuration& config);
  ~History();

  // A configuration was loaded or made new: no steps, and this state is the saved one.
  void Reset();
  // After a user action: when the configuration differs from the last state, a step named
  // `action` is kept (the redo steps go). Returns whether a step was kept.
  bool Commit(const std::string& action);

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  // The action the next undo (redo) takes back (does again); empty when there is none.
  std::string UndoName() const;
  std::string RedoName() const;
  // Loads the state before (after) the current one into the configuration. False when
  // there is none, or the state could not be loaded (the configuration is then unchanged
  // and the history cleared, with the configuration's message).
  bool Undo();
  bool Redo();

  // The current state is what the file holds (after a save).
  void MarkClean() { clean_ = current_; }
  bool IsClean() const { return clean_ == current_; }
  // True while Undo or Redo loads a state: the configuration's notifications then are no
  // user action.
  bool Restoring() const { return restoring_; }
  std::size_t Steps() const { return states_.empty() ? 0 : states_.size() - 1; }
  std::size_t BytesHeld() const { return bytes_; }

 private:
  struct State {
    std::vector<std::uint8_t> Image;  // a whole image, loadable as it is
    std::size_t DataEnd = 0;          // the records end here; the rest is padding and sum
    std::string Action;               // what led to this state from the one before
  };
  // The configuration's image now; false when it cannot be built (larger than an image).
  bool Capture(State& state);
  bool Load(std::size_t index);
  void Trim();

  Configuration& config_;
  std::unique_ptr<ConfigImage> scratch_;
  std::vector<State> states_;  // states_[0] the oldest kept, states_[current_] the present
  std::size_t current_ = 0;
  std::size_t clean_ = 0;  // may point past the states when the saved one was dropped
  std::size_t bytes_ = 0;
  bool restoring_ = false;
};

}  // namespace vilk
