#include "ports/logic/ladder_sim.h"

#include "ports/logic/port_ld.h"

namespace vilk {

TLadderSim::TLadderSim(const TPortLD& port) : port_(port) {}

void TLadderSim::Reset() {
  values_.clear();
  energised_.clear();
}

void TLadderSim::SetInput(const TParam* signal, bool value) {
  if (signal) values_[signal] = value;
}

bool TLadderSim::Value(const TParam* signal) const {
  auto it = values_.find(signal);
  return it != values_.end() && it->second;
}

bool TLadderSim::Conducts(const TBaseLD& e, bool power) {
  bool conducts = false;
  switch (e.ElementType()) {
    case TBaseLD::Type::Contact: {
      const auto& c = static_cast<const TLD&>(e);
      if (c.Signal && port_.PoolIndex(c) >= 0) conducts = Value(c.Signal.get()) != c.Inverse;
      break;
    }
    case TBaseLD::Type::Stack: {
      // Every branch is evaluated (not cut short) so that each one's power is known.
      for (const auto& b : static_cast<const TStack&>(e).Branches)
        conducts = LineConducts(*b, power) || conducts;
      break;
    }
    default:
      break;
  }
  if (TrackPower) energised_[&e] = power && conducts;
  return conducts;
}

bool TLadderSim::LineConducts(const TLine& line, bool power) {
  bool all = true;
  for (const auto& e : line.Elements) {
    const bool c = Conducts(*e, power && all);
    all = all && c;
    if (!all && !TrackPower) break;
  }
  if (TrackPower) energised_[&line] = power && all;
  return all;
}

void TLadderSim::Scan() {
  if (TrackPower) energised_.clear();
  for (int i = 0; i < port_.TaskCount(); ++i) {
    const TTaskLD& t = *port_.Tasks[static_cast<std::size_t>(i)];
    if (!t.Kept.empty()) continue;
    const bool on = LineConducts(*t.Line, true);
    if (TrackPower) energised_[t.Output.get()] = on;
    if (const TParam* out = port_.OutputSignal(i)) values_[out] = on != t.Output->Inverse;
  }
}

bool TLadderSim::Output(int task) const {
  return Value(port_.OutputSignal(task));
}

bool TLadderSim::Energised(const TBaseLD* element) const {
  auto it = energised_.find(element);
  return it != energised_.end() && it->second;
}

}  // namespace vilk
