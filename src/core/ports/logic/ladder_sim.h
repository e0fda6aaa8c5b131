#pragma once
// One scan of the ladder program, offline: the rules the controller applies, in one place.
//  - tasks run in list order; the output of a task is seen by every later task of the
//    same scan (and by earlier ones in the next scan);
//  - a series line conducts when every element conducts; an empty line conducts;
//  - a parallel group conducts when any branch does;
//  - a contact without a signal (or whose signal left the pool) is open; an inverted
//    contact conducts when its input is 0; an inverted coil stores the negation;
//  - a block kept unread never conducts, and a task kept unread leaves its output as is.
#include <unordered_map>
#include <vector>

#include "ports/logic/ladder.h"

namespace vilk {

class TPortLD;

class TLadderSim {
 public:
  explicit TLadderSim(const TPortLD& port);

  // Every input and output back to 0.
  void Reset();
  void SetInput(const TParam* signal, bool value);
  bool Value(const TParam* signal) const;
  void Scan();
  bool Output(int task) const;
  // After a scan: whether power reached the element's right side (contacts, groups,
  // lines and outputs), for drawing energised paths.
  bool Energised(const TBaseLD* element) const;
  // Keep the energised map during scans (the editor's drawing; off for plain runs).
  bool TrackPower = false;

 private:
  bool Conducts(const TBaseLD& element, bool power);
  bool LineConducts(const TLine& line, bool power);

  const TPortLD& port_;
  std::unordered_map<const TParam*, bool> values_;
  std::unordered_map<const TBaseLD*, bool> energised_;
};

}  // namespace vilk
