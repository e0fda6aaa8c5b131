#pragma once
// The rows that a port frame without devices shares with the polling ports: "Адрес
// порта" (read-only; a click opens the address picker and a new address renumbers the
// port, its caption following) and, for ports on a COM board, "Плата" with "Настроить".
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <vector>

#include "form.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

class PortRows : public QObject {
  Q_OBJECT
 public:
  explicit PortRows(ItemFrame* frame);

  void AddAddress(Form& form);
  void AddBoard(Form& form);
  // The board list is taken again (the free boards change with the tree).
  void Refresh();

  QLineEdit* AddressEdit() const { return address_; }
  QComboBox* BoardBox() const { return board_; }
  QPushButton* TuneButton() const { return tune_; }
  TAddrEditForm* OpenAddressPicker();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TPort* Port() const;
  void BoardChosen(int index);

  ItemFrame* frame_;
  QLineEdit* address_ = nullptr;
  QComboBox* board_ = nullptr;
  QPushButton* tune_ = nullptr;
  std::vector<TBlock*> boards_;  // the entries after the empty one
  QPointer<TAddrEditForm> picker_;
};

}  // namespace vilk::ui
