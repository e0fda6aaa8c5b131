#pragma once
// The measurement post-calculation dialog: gain, offset, group, the gain/offset computer
// and the one shared template.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <map>
#include <string>
#include <vector>

#include "signals/params.h"

namespace vilk {
class IniDocument;
}

namespace vilk::ui {

class TEditorTI : public QDialog {
  Q_OBJECT
 public:
  TEditorTI(QWidget* parent, TParams& list, int row);

  // Opens the dialog for `row`; true when it was accepted.
  static bool Edit(QWidget* parent, TParams& list, int row);
  // The drop-down presets of the computer, from "Vilk.ini" section "EditorTI" (read once).
  static void LoadPresets(const IniDocument& ini);

  QLineEdit* GainEdit() const { return gain_; }
  QLineEdit* OffsetEdit() const { return offset_; }
  QComboBox* GroupEdit() const { return group_; }
  QComboBox* MinEdit() const { return min_; }
  QComboBox* MaxEdit() const { return max_; }
  QComboBox* LowEdit() const { return low_; }
  QComboBox* HiEdit() const { return hi_; }
  QPushButton* GetTemplateButton() const { return getTemplate_; }

  void Setup();         // "Установить"
  void SaveTemplate();  // "Сохранить ТИ в шаблон"
  void FillTemplate();  // "Заполнить ТИ из шаблона"
  bool Accept();        // "Принять": false (and the dialog stays) while a field is no number

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  bool CheckNumber(QLineEdit* edit);

  TParams& list_;
  int row_;
  QLineEdit *gain_, *offset_;
  QComboBox *group_, *min_, *max_, *low_, *hi_;
  QPushButton* getTemplate_;
};

}  // namespace vilk::ui
