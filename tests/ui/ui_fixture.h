#pragma once
// A main window with recorded messages, a private home folder and test item kinds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "main_window.h"
#include "model/tree_rules.h"
#include "signals/list_edit.h"
#include "test_items.h"

namespace vilk::test {

constexpr int kBusPortCode = 244;  // a port kind with devices
constexpr int kBusDeviceCode = 245;

// A device under a bus port, with an own TS list.
class BusDevice : public TPort {
 public:
  explicit BusDevice(Configuration& c) : TPort(c) {
    SetName("Устройство");
    Number = 1;
    Menu = PopupMenu::Delete;
    c.Append(this, MakeParams(c, kKindTS, kRoleOwn, this));
  }
};

// A port whose devices may be dragged between ports of the same kind.
class BusPort : public TPort {
 public:
  explicit BusPort(Configuration& c) : TPort(c) {
    SetName("Шина");
    Number = 1;
    BoardMask = kMaskCom;
    Menu = PopupMenu::AddDelete;
  }
  TItem* AddChild(int kind) override {
    auto device = MakeDevice(Config(), Kind, kind);
    if (!device) return nullptr;
    TItem* d = Config().Append(this, std::move(device));
    d->UpdateCaption();
    ChildrenChanged();
    return d;
  }
  void ChildrenChanged() override {
    for (int i = 0; i < ChildCount(); ++i) {
      Child(i)->Number = static_cast<std::uint8_t>(i + 1);
      Child(i)->UpdateCaption();
    }
  }
};

class WindowTest : public WithTestKinds {
 protected:
  void SetUp() override {
    WithTestKinds::SetUp();
    RegisterTestPort(kBusPortCode, 0, test::Made<BusPort>());
    RegisterTestDevice(kBusPortCode, kBusDeviceCode, test::Made<BusDevice>());
    RegisterTestDevice(kFieldPortCode, kBusDeviceCode, test::Made<BusDevice>());
    ASSERT_TRUE(home.isValid());
    window = std::make_unique<ui::TForm1>(home.path(), &messages);
    window->ChooseFile = [this](bool save, const QString&) {
      ++chooserCalls;
      return save ? savePath : openPath;
    };
  }
  // Shows the window at a size that fits every frame, and waits until it is on screen.
  void ShowWindow() {
    window->resize(1100, 650);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    window.reset();
    WithTestKinds::TearDown();
  }

  Configuration& config() { return window->Config(); }
  ui::TFrame1* editor() { return window->Editor(); }
  // Delivers posted selections.
  static void Settle() { QApplication::processEvents(); }
  QString File(const QString& name) const { return QDir(home.path()).filePath(name); }

  QTemporaryDir home;
  RecordingMessages messages;
  std::unique_ptr<ui::TForm1> window;
  QString savePath, openPath;
  int chooserCalls = 0;
};

}  // namespace vilk::test
