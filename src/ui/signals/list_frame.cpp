#include "signals/list_frame.h"

#include <QVBoxLayout>

#include "link/live_values.h"
#include "model/configuration.h"
#include "signals/editor_ti.h"
#include "signals/editor_tu.h"
#include "signals/storage.h"

namespace vilk::ui {

TFrameParams::TFrameParams(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  value_ = new QCheckBox(QStringLiteral("Значение"), this);
  const int kind = List()->SignalKind;
  value_->setVisible(List()->ListRole == kRoleOwn && kind != kKindTU && kind != kKindTR);
  value_->setEnabled(static_cast<bool>(LiveValues::Provider()));
  nameDef_ = new QCheckBox(QStringLiteral("NameDef"), this);
  nameDef_->setVisible(false);
  layout->addWidget(value_);
  view_ = new SignalTableView(List(), this);
  layout->addWidget(view_, 1);

  view_->Hooks.Changed = [this] {
    List()->Storage().RebuildPool();
    ItemEdited();
    emit SignalsChanged();
  };
  view_->Hooks.EditGain = [this](int row) { EditGain(row); };
  view_->Hooks.EditBlocking = [this](int row) { EditBlocking(row); };
  live_ = new LiveValues(List(), view_, value_, List()->Config().Messages());
  connect(value_, &QCheckBox::toggled, this, [this](bool on) {
    view_->Model()->ShowValues = on;
    if (on)
      live_->Start();
    else
      live_->Stop();
    view_->Refresh();
  });
  connect(nameDef_, &QCheckBox::toggled, this, [this](bool on) {
    view_->Model()->ShowDefaultNames = on;
    view_->Refresh();
  });
}

void TFrameParams::SetToFrame() {
  ItemFrame::SetToFrame();
  view_->Refresh();
}

void TFrameParams::EditGain(int row) {
  if (TEditorTI::Edit(this, *List(), row)) view_->Hooks.Changed();
  view_->Refresh();
}

void TFrameParams::EditBlocking(int row) {
  if (TEditorTU::Edit(this, *List(), row)) view_->Hooks.Changed();
  view_->Refresh();
}

}  // namespace vilk::ui
