#include "model/history.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/image_ops.h"

namespace vilk {

namespace {

constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

// The configuration's messages go nowhere while it is written or read for the history:
// the save checks and the loader speak to the user elsewhere.
class Quiet {
 public:
  explicit Quiet(Configuration& config) : config_(config), saved_(config.Messages()) {
    config_.SetMessages(silent_);
  }
  ~Quiet() {
    config_.SetMessages(saved_);
    config_.Abort = false;
  }

 private:
  Configuration& config_;
  IMessages& saved_;
  SilentMessages silent_;
};

bool SameRecords(const std::vector<std::uint8_t>& a, std::size_t aEnd,
                 const std::vector<std::uint8_t>& b, std::size_t bEnd) {
  // The header carries the build time: only the records say whether anything changed.
  return aEnd == bEnd &&
         std::equal(a.begin() + kDataOffset, a.begin() + static_cast<std::ptrdiff_t>(aEnd),
                    b.begin() + kDataOffset);
}

}  // namespace

History::History(Configuration& config)
    : config_(config), scratch_(std::make_unique<ConfigImage>()) {}

History::~History() = default;

bool History::Capture(State& state) {
  Quiet quiet(config_);
  if (!BuildImageUnchecked(config_, *scratch_)) return false;
  state.Image.assign(scratch_->Data(), scratch_->Data() + scratch_->TotalSize);
  state.DataEnd = scratch_->BuildCursor;
  return true;
}

void History::Reset() {
  states_.clear();
  bytes_ = 0;
  current_ = 0;
  clean_ = 0;
  State base;
  if (Capture(base)) {
    bytes_ = base.Image.size();
    states_.push_back(std::move(base));
  }
}

bool History::Commit(const std::string& action) {
  if (restoring_) return false;
  State next;
  if (!Capture(next)) {
    // Larger than an image: nothing before it can be restored into this tree.
    states_.clear();
    bytes_ = 0;
    current_ = 0;
    clean_ = kNever;
    return false;
  }
  if (!states_.empty()) {
    const State& now = states_[current_];
    if (SameRecords(now.Image, now.DataEnd, next.Image, next.DataEnd)) return false;
  }
  // A new action after undoing: the undone steps cannot come back.
  while (states_.size() > current_ + 1) {
    bytes_ -= states_.back().Image.size();
    states_.pop_back();
  }
  if (clean_ != kNever && clean_ > current_) clean_ = kNever;
  next.Action = action;
  bytes_ += next.Image.size();
  states_.push_back(std::move(next));
  current_ = states_.size() - 1;
  Trim();
  return true;
}

void History::Trim() {
  std::size_t drop = 0;
  while (states_.size() - drop > 1 &&
         (states_.size() - drop > kMaxSteps + 1 || bytes_ > kMaxBytes)) {
    bytes_ -= states_[drop].Image.size();
    ++drop;
  }
  if (!drop) return;
  states_.erase(states_.begin(), states_.begin() + static_cast<std::ptrdiff_t>(drop));
  current_ -= drop;
  clean_ = clean_ != kNever && clean_ >= drop ? clean_ - drop : kNever;
}

std::string History::UndoName() const {
  return CanUndo() ? states_[current_].Action : std::string();
}

std::string History::RedoName() const {
  return CanRedo() ? states_[current_ + 1].Action : std::string();
}

bool History::Load(std::size_t index) {
  State& state = states_[index];
  scratch_->Assign(state.Image);
  bool loaded;
  {
    Quiet quiet(config_);
    restoring_ = true;
    loaded = LoadImage(config_, *scratch_, std::string());
    restoring_ = false;
  }
  if (!loaded) {
    // Cannot happen with an image this program wrote; say so rather than pretend.
    config_.Messages().Error("Не удалось отменить действие: история изменений очищена.");
    Reset();
    clean_ = kNever;
    return false;
  }
  current_ = index;
  return true;
}

bool History::Undo() {
  return CanUndo() && Load(current_ - 1);
}

bool History::Redo() {
  return CanRedo() && Load(current_ + 1);
}

}  // namespace vilk
