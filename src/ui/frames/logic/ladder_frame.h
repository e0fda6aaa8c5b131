#pragma once
// The discrete-logic port's frame: the ladder program drawn on a grid of 64-pixel cells,
// edited with the mouse (the tool buttons, clicks, the pop-up menu) or the keyboard (a
// cell cursor), and a "Моделирование" mode that scans the program against inputs toggled
// by clicking their contacts.
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>

#include "frame.h"
#include "ports/logic/ladder_sim.h"
#include "ports/logic/port_ld.h"
#include "signals/params.h"

namespace vilk::ui {

class LiveValues;
class TPortLDFrame;

class LadderView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr int kCell = 64;
  LadderView(TPortLDFrame* frame, TPortLD* port, QWidget* parent);

  int CursorColumn() const { return cursorColumn_; }
  int CursorRow() const { return cursorRow_; }
  void SetCursor(int column, int row);
  // The grid cell under a point of the viewport.
  QPoint CellAt(const QPoint& pos) const;
  // Scroll ranges after the program changed.
  void UpdateRanges();
  // Draws the visible cells into `painter` (the screen, an image or a printed page):
  // `first` is the top-left cell shown.
  void PaintCells(QPainter& painter, QPoint first, QSize cells) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintLine(QPainter& p, const TLine& line, const QRect& area) const;
  void PaintElement(QPainter& p, const TBaseLD& e, const QRect& area) const;
  QPen Wire(const TBaseLD* e) const;

  TPortLDFrame* frame_;
  TPortLD* port_;
  int cursorColumn_ = 0, cursorRow_ = 0;
  QPoint hover_{-1, -1};
};

class TPortLDFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPortLDFrame(TItem* item, QWidget* parent);
  ~TPortLDFrame() override;
  void SetToFrame() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Edits act on the program directly; nothing waits in the widgets.
  bool GetFromFrame() override { return true; }

  TPortLD* Port() const { return static_cast<TPortLD*>(Item()); }
  LadderView* View() const { return view_; }
  QToolButton* TaskButton() const { return task_; }
  QToolButton* ContactButton() const { return contact_; }
  QToolButton* BridgeButton() const { return bridge_; }
  QToolButton* ClearButton() const { return clear_; }
  QToolButton* SimulateButton() const { return simulate_; }
  QLabel* SignalLabel() const { return signalLabel_; }
  QComboBox* SignalChoice() const { return signalChoice_; }
  QCheckBox* InverseBox() const { return inverse_; }
  QListWidget* OutputList() const { return outputs_; }
  // "Значения контроллера": in simulation, the inputs follow the linked controller's live
  // values (read as the list editor's "Значение" reads them) instead of clicks.
  QCheckBox* LiveBox() const { return live_; }
  QLineEdit* SignalEditor() const { return signalEditor_; }
  TLadderSim* Simulator() const { return sim_.get(); }

  // Asks for a task name (title, current name); nullopt when cancelled. Tests replace it.
  std::function<std::optional<QString>(const QString& title, const QString& current)> AskName;

  // --- The operations; the mouse and the keyboard both come here. ---
  void AddTask();
  // A left click on a cell with the modifiers held.
  void ClickCell(int column, int row, Qt::KeyboardModifiers modifiers);
  void DoubleClickCell(int column, int row);
  void BridgeSelection();
  void DeleteSelection();
  void InvertSelection();
  void DuplicateSelection();
  void NewProgram();
  // Keyboard twins at the cursor.
  void InsertAtCursor();
  void DeleteAtCursor();
  void InvertAtCursor();
  void PickSignalAtCursor();
  void CopyAtCursor();
  void PasteTask();
  // Simulation: toggles the input read by the contact at the cell.
  void ToggleInputAt(int column, int row);
  void SetSimulation(bool on);
  // Turns the simulation on with the inputs "NAME=0|1,NAME=0|1,..." (pool ТС names) and
  // scans once; false when a name or a value does not read.
  bool SimulateInputs(const QString& inputs);
  // The element's pop-up menu ("Удалить", "Инверсия", "Дублировать" for outputs).
  QMenu* ElementMenu(int column, int row);
  // Writes the program, a legend of signal names and the cross reference as PDF.
  bool PrintPdf(const QString& path);
  // After any edit: layout, panel, outputs, repaint, the configuration hears of it.
  void Changed(bool edited);

 private:
  friend class LadderView;
  void ShowPanel();
  void FillSignalChoice();
  void FillOutputs();
  void SignalChosen(int index);
  void SignalTyped();
  TLD* SelectedContact() const;
  void SetLive(bool on);
  void TakeLiveValues();

  LadderView* view_;
  QToolButton *task_, *contact_, *bridge_, *clear_, *simulate_;
  QLineEdit* address_;
  QLabel* signalLabel_;
  QComboBox* signalChoice_;
  QCheckBox* inverse_;
  QListWidget* outputs_;
  QCheckBox* live_;
  std::unique_ptr<TParams> liveList_;  // the inputs the contacts read, for the live reader
  std::unique_ptr<LiveValues> liveValues_;
  QTimer* liveTimer_;
  QLineEdit* signalEditor_;
  std::unique_ptr<TLadderSim> sim_;
  std::unique_ptr<TTaskLD> clipboard_;
  bool filling_ = false;
};

}  // namespace vilk::ui
