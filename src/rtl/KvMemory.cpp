#include "KvMemory.h"

#include <cstring>
#include <limits>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace zmt {

void* SharedAlloc(std::size_t bytes) {
#ifdef _WIN32
  void* block = HeapAlloc(GetProcessHeap(), 0, bytes);
#else
  void* block = std::malloc(bytes);
#endif
  if (!block) throw std::bad_alloc();
  return block;
}

void SharedFree(void* block) noexcept {
  if (!block) return;
#ifdef _WIN32
  HeapFree(GetProcessHeap(), 0, block);
#else
  std::free(block);
#endif
}

void AddRefBlock(void* data) noexcept {
  if (data) __atomic_add_fetch(&KV_BLOCK_HEADER(data)->RefCount, 1, __ATOMIC_RELAXED);
}

bool ReleaseBlock(void* data) noexcept {
  return data && __atomic_sub_fetch(&KV_BLOCK_HEADER(data)->RefCount, 1, __ATOMIC_ACQ_REL) == 0;
}

KvString::KvString(std::string_view text) {
  if (text.empty()) return;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) - 16)
    throw std::bad_alloc();
  auto* header = static_cast<KvBlockHeader*>(SharedAlloc(sizeof(KvBlockHeader) + text.size() + 1));
  header->RefCount = 1;
  header->Length = static_cast<int32_t>(text.size());
  chars_ = reinterpret_cast<KvStr>(header + 1);
  std::memcpy(chars_, text.data(), text.size());
  chars_[text.size()] = '\0';
}

KvString::KvString(const KvString& other) noexcept : chars_(other.chars_) {
  AddRefBlock(chars_);
}

KvString::~KvString() {
  if (ReleaseBlock(chars_)) SharedFree(KV_BLOCK_HEADER(chars_));
}

std::string_view KvString::View() const noexcept {
  if (!chars_) return {};
  return std::string_view(chars_, static_cast<std::size_t>(KV_BLOCK_HEADER(chars_)->Length));
}

int32_t KvString::RefCount() const noexcept {
  return chars_ ? __atomic_load_n(&KV_BLOCK_HEADER(chars_)->RefCount, __ATOMIC_RELAXED) : 0;
}

KvStr KvString::Share() const noexcept {
  AddRefBlock(chars_);
  return chars_;
}

KvString KvString::Adopt(KvStr chars) noexcept {
  KvString s;
  s.chars_ = chars;
  return s;
}

}  // namespace zmt
