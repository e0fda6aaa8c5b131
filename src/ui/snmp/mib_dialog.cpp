#include "snmp/mib_dialog.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <functional>

#include "base/text.h"
#include "qt_text.h"

namespace vilk::ui {

MibTreeModel::MibTreeModel(TMibTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
  tree_.SetObserver(this);
}

void MibTreeModel::Reset() {
  beginResetModel();
  endResetModel();
}

MibNode* MibTreeModel::NodeAt(const QModelIndex& index) {
  return index.isValid() ? static_cast<MibNode*>(index.internalPointer()) : nullptr;
}

QModelIndex MibTreeModel::IndexOf(MibNode* node) const {
  if (!node) return {};
  return createIndex(node->Parent() ? node->Index() : 0, 0, node);
}

QModelIndex MibTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (!parent.isValid())
    return row == 0 && tree_.Root() ? createIndex(0, 0, tree_.Root()) : QModelIndex();
  MibNode* p = NodeAt(parent);
  return row < p->ChildCount() ? createIndex(row, 0, p->Child(row)) : QModelIndex();
}

QModelIndex MibTreeModel::parent(const QModelIndex& child) const {
  MibNode* node = NodeAt(child);
  return node && node->Parent() ? IndexOf(node->Parent()) : QModelIndex();
}

int MibTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return tree_.Root() ? 1 : 0;
  return NodeAt(parent)->ChildCount();
}

QVariant MibTreeModel::data(const QModelIndex& index, int role) const {
  const MibNode* node = NodeAt(index);
  if (!node) return {};
  if (role == Qt::DisplayRole) return Q(node->Text);
  if (role == Qt::CheckStateRole) return node->Ticked ? Qt::Checked : Qt::Unchecked;
  return {};
}

bool MibTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  MibNode* node = NodeAt(index);
  if (!node || role != Qt::CheckStateRole) return false;
  tree_.SetTicked(node, value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags MibTreeModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                         : Qt::NoItemFlags;
}

void MibTreeModel::ChildrenAboutToBeReplaced(MibNode*) {
  beginResetModel();
}
void MibTreeModel::ChildrenReplaced(MibNode*) {
  endResetModel();
}

void MibTreeModel::TicksChanged(MibNode* node) {
  // The node and everything below it.
  std::vector<MibNode*> stack{node};
  while (!stack.empty()) {
    MibNode* n = stack.back();
    stack.pop_back();
    const QModelIndex i = IndexOf(n);
    emit dataChanged(i, i, {Qt::CheckStateRole});
    for (int c = 0; c < n->ChildCount(); ++c) stack.push_back(n->Child(c));
  }
}

TMIBdlg::TMIBdlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Загрузка MIB-файла"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  resize(860, 560);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("MIB-файл:"), this));
  file_ = new QLineEdit(this);
  top->addWidget(file_, 1);
  auto* choose = new QPushButton(QStringLiteral("выбрать..."), this);
  auto* load = new QPushButton(QStringLiteral("загрузить"), this);
  top->addWidget(choose);
  top->addWidget(load);
  layout->addLayout(top);

  auto* split = new QSplitter(Qt::Horizontal, this);
  model_ = new MibTreeModel(tree_, this);
  auto* treeColumn = new QWidget(split);
  auto* treeLayout = new QVBoxLayout(treeColumn);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  treeFilter_ = new QLineEdit(treeColumn);
  treeFilter_->setPlaceholderText(QStringLiteral("Фильтр"));
  treeFilter_->setClearButtonEnabled(true);
  treeLayout->addWidget(treeFilter_);
  view_ = new QTreeView(treeColumn);
  treeLayout->addWidget(view_, 1);
  connect(treeFilter_, &QLineEdit::textChanged, this, [this] { ApplyTreeFilter(); });
  view_->setHeaderHidden(true);
  view_->setModel(model_);
  view_->viewport()->installEventFilter(this);
  auto* details = new QWidget(split);
  auto* form = new QFormLayout(details);
  auto label = [details] {
    auto* l = new QLabel(details);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setWordWrap(true);
    return l;
  };
  object_ = label();
  category_ = label();
  oid_ = label();
  syntax_ = label();
  access_ = label();
  description_ = label();
  form->addRow(QStringLiteral("Объект:"), object_);
  form->addRow(QStringLiteral("Категория:"), category_);
  form->addRow(QStringLiteral("OID:"), oid_);
  form->addRow(QStringLiteral("Тип данных:"), syntax_);
  form->addRow(QStringLiteral("Тип доступа:"), access_);
  form->addRow(QStringLiteral("Описание:"), description_);
  rowsRow_ = new QWidget(details);
  auto* rowsLayout = new QHBoxLayout(rowsRow_);
  rowsLayout->setContentsMargins(0, 0, 0, 0);
  rows_ = new QSpinBox(rowsRow_);
  rows_->setRange(0, TMibTree::kMaxRows);
  auto* apply = new QPushButton(QStringLiteral("Применить"), rowsRow_);
  rowsLayout->addWidget(rows_);
  rowsLayout->addWidget(apply);
  rowsLayout->addStretch();
  form->addRow(QStringLiteral("Кол-во строк:"), rowsRow_);
  rowsRow_->setEnabled(false);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);

  auto* lists = new QHBoxLayout;
  info_ = new QListWidget(this);
  errors_ = new QListWidget(this);
  info_->setMaximumHeight(110);
  errors_->setMaximumHeight(110);
  lists->addWidget(info_);
  lists->addWidget(errors_);
  layout->addLayout(lists);

  auto* buttons = new QHBoxLayout;
  auto* add = new QPushButton(QStringLiteral("Добавить теги в конфигурацию"), this);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  buttons->addStretch();
  buttons->addWidget(add);
  buttons->addWidget(close);
  layout->addLayout(buttons);

  mib_.OnInfo = [this](const std::string& text) { info_->addItem(Q(text)); };
  mib_.OnError = [this](const std::string& text) { errors_->addItem(Q(text)); };
  ChooseFile = [this] {
    return QFileDialog::getOpenFileName(
        this, QStringLiteral("Выбрать MIB-файл"), Q(MibFolder),
        QStringLiteral("MIB-файлы (*.mib *.MIB *.txt);;Все файлы (*)"));
  };
  connect(choose, &QPushButton::clicked, this, [this] {
    const QString path = ChooseFile();
    if (!path.isEmpty()) file_->setText(path);
  });
  connect(load, &QPushButton::clicked, this, &TMIBdlg::Load);
  connect(apply, &QPushButton::clicked, this, &TMIBdlg::ApplyRows);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ShowDetails(current); });
  connect(add, &QPushButton::clicked, this, [this] {
    result_ = AddTags();
    accept();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

TMIBdlg::~TMIBdlg() {
  tree_.SetObserver(nullptr);
}

TMIBdlg& TMIBdlg::Instance(QWidget* parent) {
  static QPointer<TMIBdlg> dialog;
  if (!dialog) dialog = new TMIBdlg(parent);
  return *dialog;
}

bool TMIBdlg::eventFilter(QObject* object, QEvent* event) {
  // A right click in the tree closes the dialog without changes.
  if (object == view_->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    reject();
    return true;
  }
  return QDialog::eventFilter(object, event);
}

void TMIBdlg::Load() {
  info_->clear();
  errors_->clear();
  model_->ChildrenAboutToBeReplaced(nullptr);
  tree_.Clear();
  mib_.MibFolder = MibFolder;
  const std::string path = S(file_->text().trimmed());
  mib_.LoadMib(path);
  std::vector<std::string> errors;
  tree_.Build(mib_, path, &errors);
  model_->ChildrenReplaced(nullptr);
  for (const std::string& e : errors) errors_->addItem(Q(e));
  view_->expand(model_->index(0, 0, {}));
  if (!treeFilter_->text().isEmpty()) ApplyTreeFilter();
}

void TMIBdlg::ApplyTreeFilter() {
  const std::string needle = FoldCase(S(treeFilter_->text()));
  // Shown: a node that matches, or one with a match below it; matches are opened to.
  std::function<bool(MibNode*)> visit = [&](MibNode* node) {
    bool below = false;
    for (int i = 0; i < node->ChildCount(); ++i) below = visit(node->Child(i)) || below;
    const bool match = needle.empty() || FoldCase(node->Text).find(needle) != std::string::npos;
    const QModelIndex index = model_->IndexOf(node);
    if (index.isValid()) {
      view_->setRowHidden(index.row(), index.parent(), !(match || below));
      if (below && !needle.empty()) view_->expand(index);
    }
    return match || below;
  };
  if (MibNode* root = tree_.Root()) visit(root);
}

void TMIBdlg::ShowDetails(const QModelIndex& index) {
  const MibNode* node = MibTreeModel::NodeAt(index);
  const MibDetails d = node ? TMibTree::Details(*node) : MibDetails{};
  object_->setText(Q(d.Object));
  category_->setText(Q(d.Category));
  oid_->setText(Q(d.Oid));
  syntax_->setText(Q(d.Syntax));
  access_->setText(Q(d.Access));
  description_->setText(Q(d.Description));
  rowsRow_->setEnabled(d.HasRows);
  rows_->setValue(d.Rows);
}

void TMIBdlg::ApplyRows() {
  MibNode* node = MibTreeModel::NodeAt(view_->currentIndex());
  if (!node) return;
  std::vector<std::string> errors;
  tree_.SetRows(node, rows_->value(), &errors);
  for (const std::string& e : errors) errors_->addItem(Q(e));
  view_->setCurrentIndex(model_->IndexOf(node));
  view_->expand(model_->IndexOf(node));
}

TSNMP_TagList TMIBdlg::AddTags() {
  return tree_.MakeTags();
}

bool TMIBdlg::Edit(TSNMP_TagList& tags) {
  result_.clear();
  if (exec() != QDialog::Accepted) return false;
  tags = result_;
  return true;
}

}  // namespace vilk::ui
