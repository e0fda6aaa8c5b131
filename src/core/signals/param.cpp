#include "signals/param.h"

#include "base/pool.h"
#include "base/text.h"
#include "model/item.h"

namespace vilk {

namespace {
const SignalKindInfo kKinds[kSignalKinds] = {
    {kKindTS, "ТС", 0x2000, 211, 13, 5},  {kKindTU, "ТУ", 0x6000, 212, 15, 6},
    {kKindTI, "ТИ", 0x4000, 213, 14, 4},  {kKindTII, "ТИИ", 0xA000, 214, 75, 7},
    {kKindTR, "ТР", 0x8000, 215, 74, 12}, {kKindMTS, "МТС", 0xC000, 219, 99, 5},
};
}  // namespace

const SignalKindInfo* SignalKindOf(int code) {
  return code >= 1 && code <= kSignalKinds ? &kKinds[code - 1] : nullptr;
}

int SignalKindOfBlock(int blockId) {
  for (const auto& k : kKinds)
    if (k.BlockId == blockId) return k.Code;
  return 0;
}

TParam::TParam(std::uint8_t kind) : Kind(kind) {}

// A load makes every signal of the image and frees those of the image it replaces: a pool
// of their own spares the general heap most of that churn. A sanitizer build takes them
// from the heap, where a signal whose last hold is never let go is reported as a leak.
#if defined(VILK_ASAN)
void* TParam::operator new(std::size_t size) {
  return ::operator new(size);
}
void TParam::operator delete(void* p, std::size_t) noexcept {
  ::operator delete(p);
}
#else
namespace {
using SignalPool = FixedPool<sizeof(TParam), alignof(TParam)>;
// Never destroyed: a signal may be let go by a static object at exit.
SignalPool& Pool() {
  static auto* pool = new SignalPool;
  return *pool;
}
}  // namespace
void* TParam::operator new(std::size_t size) {
  return size == sizeof(TParam) ? Pool().Take() : ::operator new(size);
}
void TParam::operator delete(void* p, std::size_t size) noexcept {
  if (size == sizeof(TParam))
    Pool().Give(p);
  else
    ::operator delete(p);
}
#endif

TParam::~TParam() = default;

std::string TParam::Cut(std::string_view text) {
  return Truncate(text, kMaxNameChars);
}

// Names are set for every signal of every list on every load: compared and assigned in
// place, without a temporary.
void TParam::SetName(std::string_view name) {
  name = name.substr(0, ByteOffsetOfChar(name, kMaxNameChars));
  if (name == name_) return;
  name_.assign(name);
  ++nameGeneration_;
}

void TParam::SetDefaultName(std::string_view name) {
  name = name.substr(0, ByteOffsetOfChar(name, kMaxNameChars));
  if (name == defaultName_) return;
  defaultName_.assign(name);
  ++defaultNameGeneration_;
}

SignalRef SignalRef::Share(TParam* signal) {
  if (signal) ++signal->RefCount;
  return Adopt(signal);
}

SignalRef SignalRef::Adopt(TParam* signal) {
  SignalRef ref;
  ref.signal_ = signal;
  return ref;
}

SignalRef::SignalRef(const SignalRef& other) : signal_(other.signal_) {
  if (signal_) ++signal_->RefCount;
}

SignalRef::~SignalRef() {
  if (signal_ && --signal_->RefCount == 0) delete signal_;
}

}  // namespace vilk
