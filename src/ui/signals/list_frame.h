#pragma once
// The list editor frame of a signal list (one class per kind on one implementation).
#include <QCheckBox>

#include "frame.h"
#include "signals/signal_table.h"

namespace vilk::ui {
class LiveValues;
}

namespace vilk::ui {

class TFrameParams : public ItemFrame {
  Q_OBJECT
 public:
  TFrameParams(TItem* item, QWidget* parent);
  void SetToFrame() override;

  TParams* List() const { return static_cast<TParams*>(Item()); }
  SignalTableView* View() const { return view_; }
  QCheckBox* ValueBox() const { return value_; }

 signals:
  // Signals changed: the pool is rebuilt and the pool page redrawn.
  void SignalsChanged();

 private:
  void EditGain(int row);
  void EditBlocking(int row);

  SignalTableView* view_;
  QCheckBox* value_;
  QCheckBox* nameDef_;
  LiveValues* live_ = nullptr;
};

class TFrameTS : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTU : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTI : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTII : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTR : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameMTS : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};

}  // namespace vilk::ui
