#pragma once
// The window names each undo step after the first thing the configuration reported since
// the last step (shared by the window's sources).
#include <string>

#include "main_window.h"

namespace vilk::ui {

// Names the undo step after the first thing the configuration reported since the last one.
class TForm1::ActionNamer : public ITreeObserver {
 public:
  explicit ActionNamer(Configuration& config) : config_(config) { config_.AddObserver(this); }
  ~ActionNamer() override { config_.RemoveObserver(this); }
  void ItemInserted(TItem* item) override { Note("Добавление", item); }
  void ItemAboutToBeRemoved(TItem* item) override { Note("Удаление", item); }
  void ItemMoved(TItem* item) override { Note("Перемещение", item); }
  void ItemEdited(TItem* item) override { Note("Изменение", item); }
  std::string Take() {
    std::string name = name_.empty() ? std::string("Изменение") : name_;
    name_.clear();
    return name;
  }
  void Clear() { name_.clear(); }

 private:
  void Note(const char* what, TItem* item) {
    if (!name_.empty()) return;
    name_ = std::string(what) + " «" + item->Caption() + "»";
  }
  Configuration& config_;
  std::string name_;
};

}  // namespace vilk::ui
