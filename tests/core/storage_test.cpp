// The signal pool: lookups by name after renames, acquiring by position, healing of
// stale references and of placeholders, and the rebuild itself.
#include "signals/storage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_items.h"

namespace vilk {
namespace {

using test::FieldPort;

class StorageTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
  TStorage& pool = config.Storage();
};

TEST_F(StorageTest, NameLookupsFollowRenamesWithoutARebuild) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 3, 0, 0);
  TParam* s0 = port->TS()->At(0);
  TParam* s1 = port->TS()->At(1);
  TParam* s2 = port->TS()->At(2);
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev.Вход2"), s1);
  EXPECT_EQ(pool.FindByDefaultName(kKindTS, "Dev.Вход2"), s1);

  s1->SetName("Насос");
  EXPECT_EQ(pool.FindByName(kKindTS, "Насос"), s1);
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev.Вход2"), nullptr);
  EXPECT_EQ(pool.FindByDefaultName(kKindTS, "Dev.Вход2"), s1);

  // The owner is renamed: default names change, the objects stay.
  port->DeviceName = "Dev2";
  port->UpdateSignalList();
  EXPECT_EQ(pool.FindByDefaultName(kKindTS, "Dev2.Вход2"), s1);
  EXPECT_EQ(pool.FindByDefaultName(kKindTS, "Dev.Вход2"), nullptr);
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev2.Вход1"), s0);
  EXPECT_EQ(pool.FindByName(kKindTS, "Насос"), s1);

  // Of two signals with one name the first in the pool is found.
  s2->SetName("Dev2.Вход1");
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev2.Вход1"), s0);
  s0->SetName("Другое");
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev2.Вход1"), s2);

  EXPECT_EQ(pool.FindByName(kKindTI, "Другое"), nullptr);
  EXPECT_EQ(pool.FindByName(0, "Другое"), nullptr);
  EXPECT_EQ(pool.FindByDefaultName(7, "Dev2.Вход1"), nullptr);

  // After a structural change and a rebuild, signals that left are not found.
  port->TsCount = 1;
  port->UpdateSignalList();
  pool.RebuildPool();
  EXPECT_EQ(pool.FindByName(kKindTS, "Насос"), nullptr);
  EXPECT_EQ(pool.FindByName(kKindTS, "Другое"), s0);
  EXPECT_EQ(pool.Count(kKindTS), 1);
}

TEST_F(StorageTest, AcquireByIndexAndIndexOf) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 0, 1);
  SignalRef s = pool.AcquireByIndex(kKindTS, 1);
  ASSERT_EQ(s, port->TS()->At(1));
  EXPECT_EQ(s->RefCount, 2u);
  s.reset();  // the handle's hold goes with it
  EXPECT_EQ(port->TS()->At(1)->RefCount, 1u);
  for (int bad : {2, 0xFFFF, -1}) EXPECT_EQ(pool.AcquireByIndex(kKindTS, bad), nullptr) << bad;
  EXPECT_EQ(pool.AcquireByIndex(kKindTU, 0), nullptr);
  EXPECT_EQ(pool.AcquireByIndex(0, 0), nullptr);

  EXPECT_EQ(pool.IndexOf(kKindTI, port->TI()->At(0)), 0);
  EXPECT_EQ(pool.IndexOf(kKindTS, port->TI()->At(0)), -1);  // another kind's signal
  EXPECT_EQ(pool.IndexOf(kKindTS, nullptr), -1);
  TParam loose(kKindTS);
  EXPECT_EQ(pool.IndexOf(kKindTS, &loose), -1);
  EXPECT_EQ(pool.SignalNumber(kKindTS, &loose), -1);
  EXPECT_EQ(pool.SignalNumber(kKindTI, port->TI()->At(0)), 0x4000);
}

TEST_F(StorageTest, IndexOfHealingSwapsAStaleReferenceForThePoolSignalOfItsName) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 3, 0, 0);
  TParam* stale = new TParam(kKindTS);
  stale->SetName("Dev.Вход3");
  Acquire(stale).Detach();  // the slot's hold, so that the release by healing can be seen
  TParam* ref = stale;
  EXPECT_EQ(pool.IndexOfHealing(kKindTS, ref), 2);
  EXPECT_EQ(ref, port->TS()->At(2));
  EXPECT_EQ(ref->RefCount, 2u);
  EXPECT_EQ(stale->RefCount, 1u);

  // A pool signal is its own answer and nothing changes hands.
  EXPECT_EQ(pool.IndexOfHealing(kKindTS, ref), 2);
  EXPECT_EQ(ref->RefCount, 2u);
  SignalRef::Drop(ref);

  // Nothing of that name, or no name at all: -1 and the reference stays.
  stale->SetName("Нет такого");
  ref = stale;
  EXPECT_EQ(pool.IndexOfHealing(kKindTS, ref), -1);
  EXPECT_EQ(ref, stale);
  stale->SetName("");
  EXPECT_EQ(pool.IndexOfHealing(kKindTS, ref), -1);
  EXPECT_EQ(ref, stale);
  EXPECT_EQ(stale->RefCount, 1u);
  SignalRef::Drop(stale);
  TParam* none = nullptr;
  EXPECT_EQ(pool.IndexOfHealing(kKindTS, none), -1);
}

TEST_F(StorageTest, RelinkHealsPlaceholdersWhenTheirDefaultNameAppears) {
  test::TestPC* pc = test::AddPC(config, "ПК", 0);
  TParams& sel = *pc->Selection();
  auto* renamed = new TParam(kKindTS);
  renamed->SetDefaultName("Dev.Вход2");
  renamed->SetName("Мой насос");
  renamed->Unresolved = true;
  auto* plain = new TParam(kKindTS);
  plain->SetDefaultName("Dev.Вход1");
  plain->SetName("Dev.Вход1");
  plain->Unresolved = true;
  auto* nowhere = new TParam(kKindTS);
  nowhere->SetDefaultName("Нигде");
  nowhere->SetName("Нигде");
  sel.Append(SignalRef::Adopt(renamed));
  sel.Append(SignalRef::Adopt(plain));
  sel.Append(SignalRef::Adopt(nowhere));

  // While the list waits for Resolve, Relink leaves it alone.
  sel.NeedsResolve = true;
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 0, 0);
  EXPECT_EQ(sel.At(0), renamed);
  EXPECT_FALSE(nowhere->Unresolved);
  sel.NeedsResolve = false;

  pool.RebuildPool();
  EXPECT_EQ(sel.At(0), port->TS()->At(1));
  EXPECT_EQ(sel.At(0)->Name(), "Мой насос");  // the user's rename is carried over
  EXPECT_EQ(sel.At(0)->RefCount, 2u);
  EXPECT_EQ(sel.At(1), port->TS()->At(0));
  EXPECT_EQ(sel.At(1)->Name(), "Dev.Вход1");
  EXPECT_EQ(sel.At(2), nowhere);
  EXPECT_TRUE(nowhere->Unresolved);

  // The source goes away: the held signal becomes a placeholder, and comes back
  // with its name when a signal of its default name appears again.
  config.Remove(port);
  pool.RebuildPool();
  TParam* orphan = sel.At(0);
  EXPECT_TRUE(orphan->Unresolved);
  EXPECT_EQ(orphan->RefCount, 1u);
  FieldPort* again = test::AddFieldPort(config, 1, "Dev", 2, 0, 0);
  EXPECT_EQ(sel.At(0), again->TS()->At(1));
  EXPECT_EQ(again->TS()->At(1)->Name(), "Мой насос");
  EXPECT_FALSE(sel.At(0)->Unresolved);
}

TEST_F(StorageTest, RebuildFollowsTreeOrderAndThePageSwitch) {
  config.PoolPageEnabled = false;
  FieldPort* a = test::AddFieldPort(config, 1, "A", 2, 1, 0);
  EXPECT_EQ(pool.Count(kKindTS), 0);  // nothing while the page is disabled
  config.PoolPageEnabled = true;
  pool.RebuildPool();
  EXPECT_EQ(pool.Count(kKindTS), 2);
  EXPECT_EQ(pool.Count(kKindTU), 1);

  // Every kind has its own list and base number.
  struct Extra {
    int kind;
    int base;
  };
  for (Extra e : {Extra{kKindTII, 0xA000}, Extra{kKindTR, 0x8000}, Extra{kKindMTS, 0xC000}}) {
    auto* list = static_cast<TParams*>(config.Append(a, MakeParams(config, e.kind, kRoleOwn, a)));
    list->Resize(3, "A");
    pool.RebuildPool();
    EXPECT_EQ(pool.Count(e.kind), 3);
    EXPECT_EQ(pool.SignalNumber(e.kind, list->At(2)), e.base + 2);
    EXPECT_EQ(SignalKindOf(e.kind)->BaseNumber, e.base);
  }
  // Selections are not part of the pool.
  test::TestPC* pc = test::AddPC(config, "ПК", 1);
  pc->Selection()->Append(Acquire(a->TS()->At(0)));
  pool.RebuildPool();
  EXPECT_EQ(pool.Count(kKindTS), 3);  // the PC's link state and A's two inputs
  EXPECT_EQ(pool.IndexOf(kKindTS, a->TS()->At(0)), 1);
  EXPECT_EQ(pool.Count(kKindTI), 1);
}

}  // namespace
}  // namespace vilk
