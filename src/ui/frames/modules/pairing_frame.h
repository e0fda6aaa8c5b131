#pragma once
// The pairing ports (two-position TS, two-channel TU): the list of pair records and the
// settings of the selected one, whose two channels take pool signals dragged from the
// signal pool page.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/modules/pairing.h"

namespace vilk::ui {

class SignalTableView;

// A channel field: shows the paired signal and takes one dropped from a pool list of its
// kind. Delete clears it.
class SignalDropField : public QLineEdit {
  Q_OBJECT
 public:
  SignalDropField(int kind, QWidget* parent);
  // Takes the first marked signal of `source` when it is a pool list of the field's kind.
  bool DropFrom(const SignalTableView* source);
  bool Accepts(const SignalTableView* source) const;

 signals:
  void Dropped(TParam* signal);
  void Cleared();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int kind_;
};

class TPairPortFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPairPortFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;

  QListWidget* PairList() const { return list_; }
  QSpinBox* CountSpin() const { return count_; }
  PortRows* Rows() const { return rows_; }
  QPushButton* SetButton() const { return set_; }
  QPushButton* DeleteButton() const { return delete_; }
  SignalDropField* Channel(bool on) const { return on ? on_ : off_; }
  QCheckBox* Invert(bool on) const { return on ? onInvert_ : offInvert_; }
  QComboBox* Command(bool on) const { return on ? onCommand_ : offCommand_; }
  QSpinBox* TransitionSpin() const { return transition_; }
  int Current() const { return current_; }
  // Shows record `row` after storing the settings of the one shown before.
  void SelectPair(int row);
  // "Установить": the count field becomes the number of records.
  void ApplyCount();
  // "Удалить сигнал" on the selected record, after the question.
  void DeleteCurrent();

 private:
  TPairPort* Port() const { return static_cast<TPairPort*>(Item()); }
  void FillList();
  void StorePair();
  void ShowPair();
  void ShowChannel(SignalDropField* field, const SignalRef& ref);
  void ChannelDropped(bool on, TParam* signal);

  PortRows* rows_;
  QSpinBox* count_;
  QPushButton* set_;
  QListWidget* list_;
  QPushButton* delete_;
  QWidget* settings_;
  QLabel* keptLabel_;
  SignalDropField *off_, *on_;
  QCheckBox *offInvert_ = nullptr, *onInvert_ = nullptr;
  QComboBox *offCommand_ = nullptr, *onCommand_ = nullptr;
  QSpinBox* transition_ = nullptr;
  int current_ = -1;
  bool filling_ = false;
};

}  // namespace vilk::ui
