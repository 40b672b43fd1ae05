// Owners of Windows handles and COM references: each releases what it holds on every way out,
// exceptions included. One owner type per kind of handle; every unit uses these.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <winsvc.h>

#include <utility>

namespace zmt {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const noexcept { return handle_; }
  // For an out-parameter: closes what is held and gives the place to write the new handle.
  Handle* Put() noexcept {
    Reset();
    return &handle_;
  }
  Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

 private:
  Handle handle_ = Traits::Invalid();
};

struct HkeyTraits {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { RegCloseKey(handle); }
};
using UniqueHkey = UniqueHandle<HkeyTraits>;

struct ServiceHandleTraits {
  using Handle = SC_HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { CloseServiceHandle(handle); }
};
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;

// Process, thread and event handles, whose "none" is null.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// A library loaded with LoadLibrary, whose reference is given back with FreeLibrary.
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { FreeLibrary(handle); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

// A function of a loaded library, as the type it has; null where the library lacks it. For what
// a later Windows offers and the oldest supported one lacks, so that the module still loads there.
template <class T>
T LibraryFunction(HMODULE library, const char* name) noexcept {
  // The cast through a generic function pointer is how GetProcAddress's result is used.
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// A brush, font or other GDI object that this code created.
template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { DeleteObject(handle); }
};
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;

// A memory device context from CreateCompatibleDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { DeleteDC(handle); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// The screen's device context, borrowed with GetDC(nullptr) and given back with ReleaseDC.
struct ScreenDcTraits {
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { ReleaseDC(nullptr, handle); }
};
using UniqueScreenDc = UniqueHandle<ScreenDcTraits>;

// An object selected into a device context for a scope: the one it replaced goes back in on the
// way out, so that the context never keeps an object that is about to be deleted.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

struct BstrTraits {
  using Handle = BSTR;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { SysFreeString(handle); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

// A string that a COM server allocated for the caller.
struct CoTaskStringTraits {
  using Handle = LPOLESTR;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { CoTaskMemFree(handle); }
};
using UniqueCoTaskString = UniqueHandle<CoTaskStringTraits>;

// One counted reference to a COM interface.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_) {
    if (pointer_) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // For CoCreateInstance and QueryInterface: releases what is held first.
  void** PutVoid() noexcept {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  T** Put() noexcept {
    Reset();
    return &pointer_;
  }
  void Reset() noexcept {
    if (T* old = std::exchange(pointer_, nullptr)) old->Release();
  }

 private:
  T* pointer_ = nullptr;
};

// One VARIANT: whatever it holds (a string, an interface, an array) is freed with VariantClear.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT* Get() noexcept { return &value_; }
  const VARIANT* Get() const noexcept { return &value_; }
  VARTYPE Type() const noexcept { return value_.vt; }
  // For an out-parameter: clears what is held and gives the place to write the new value.
  VARIANT* Put() noexcept {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// Initialises COM on the calling thread for the owner's lifetime. A thread whose COM the host
// already initialised in the other apartment model keeps it (RPC_E_CHANGED_MODE is not a failure);
// only a successful call here is balanced by an uninitialise.
class ComInitializer {
 public:
  ComInitializer() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComInitializer() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComInitializer(const ComInitializer&) = delete;
  ComInitializer& operator=(const ComInitializer&) = delete;
  // False only when COM cannot be used on this thread at all.
  bool Usable() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace zmt
#endif
