// Texts and arrays in the blocks that cross the host boundary: a reference count and a length in
// front of the data, the block from the allocator that host and module share (the process heap on
// Windows). The layout is the SDK header's KvBlockHeader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "kvplugin.h"

namespace zmt {

void* SharedAlloc(std::size_t bytes);  // throws std::bad_alloc
void SharedFree(void* block) noexcept;

// A reference-counted 8-bit text, shareable with the host without copying. Empty is null.
class KvString {
 public:
  KvString() = default;
  explicit KvString(std::string_view text);
  KvString(const char* text) : KvString(std::string_view(text ? text : "")) {}  // NOLINT
  KvString(const KvString& other) noexcept;
  KvString(KvString&& other) noexcept : chars_(other.chars_) { other.chars_ = nullptr; }
  KvString& operator=(KvString other) noexcept {
    std::swap(chars_, other.chars_);
    return *this;
  }
  ~KvString();

  std::string_view View() const noexcept;
  std::string Str() const { return std::string(View()); }
  bool Empty() const noexcept { return chars_ == nullptr; }
  int32_t RefCount() const noexcept;
  // A further reference for the caller, who releases it (the host through its SDK helper).
  KvStr Share() const noexcept;
  // Takes over one reference to an existing block.
  static KvString Adopt(KvStr chars) noexcept;

  friend bool operator==(const KvString& a, const KvString& b) { return a.View() == b.View(); }

 private:
  KvStr chars_ = nullptr;
};

void AddRefBlock(void* data) noexcept;
// Drops one reference; true when it was the last one (the caller then frees the contents).
bool ReleaseBlock(void* data) noexcept;

}  // namespace zmt
