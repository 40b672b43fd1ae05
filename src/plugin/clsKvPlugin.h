// The plug-in base class: the object the host drives by the positions of its operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "KvMemory.h"
#include "SysUtils.h"
#include "kvplugin.h"

namespace zmt {

// Raised when the base part of a plug-in's destruction fails.
ZMT_DECLARE_EXCEPTION(EPluginError, Exception);
// Raised when Create would hand out an object that is not of the plug-in's own class (a derived
// class that does not override Create).
ZMT_DECLARE_EXCEPTION(EPluginCreateError, Exception);

using TKvPluginMenuItem = KvPluginMenuItem;

// A menu entry's handler bound to the object it runs on: code first, then the object.
struct TMethod {
  KvMenuHandlerCode Code = nullptr;
  void* Data = nullptr;
};

// The menu entries: a growable, reference-counted array in the shared block layout, so that the
// host can hold the very array the object uses.
class TPluginMenuItems {
 public:
  TPluginMenuItems() = default;
  TPluginMenuItems(const TPluginMenuItems& other) noexcept;
  TPluginMenuItems& operator=(const TPluginMenuItems&) = delete;
  ~TPluginMenuItems();

  int32_t Length() const noexcept;
  const TKvPluginMenuItem& operator[](int32_t index) const;
  const TKvPluginMenuItem* Data() const noexcept { return items_; }
  // Appends at the end. A copy is made first when someone else holds the array, so that what
  // they hold never changes under them.
  void Append(uint8_t flags, const KvString& caption, TMethod handler);
  // A further reference for the caller, released with Release (or the SDK's KvMenuItemsRelease).
  KvPluginMenuItem* Share() const noexcept;
  static void Release(KvPluginMenuItem* items) noexcept;

 private:
  KvPluginMenuItem* items_ = nullptr;
};

class TKvPlugin : private KvPlugin {
 public:
  TKvPlugin();
  virtual ~TKvPlugin();
  TKvPlugin(const TKvPlugin&) = delete;
  TKvPlugin& operator=(const TKvPlugin&) = delete;

  // The host's operations, in their fixed order. The boundary (position -1 to 15 of the host's
  // table) calls these and keeps every exception on this side.
  virtual TKvPlugin* Create() const;                          // 0: a new object of this class
  virtual int32_t GetHostContext(uint32_t& value);            // 1
  virtual KvString GetDescription();                          // 2
  virtual int32_t GetHostTag();                               // 3
  virtual KvString GetFileName();                             // 4
  virtual KvString GetExtraInfo();                            // 5
  virtual const TPluginMenuItems& GetMenuItems();             // 6
  virtual KvString GetName();                                 // 7
  virtual bool Execute();                                     // 8
  virtual int32_t SetHostContext(uint32_t value);             // 9
  virtual void SetDescription(const KvString& text);          // 10
  virtual void SetHostTag(int32_t tag);                       // 11
  virtual void SetFileName(const KvString& text);             // 12
  virtual void SetName(const KvString& text);                 // 13
  virtual void Notify(const KvString& text, uint32_t value);  // 14
  virtual void NotifyValues(const uint32_t* values, int32_t count);  // 15

  // The destructor's own steps, run before the memory goes. A derived class does its own work
  // and then calls this one; only this one's failures become EPluginError.
  virtual void Destroy();

  void AddMenuItem(const KvString& caption, uint8_t flags, TMethod handler);

  // The "About" entry's handler.
  void ShowAbout();

  // The object as the host sees it, and back.
  KvPlugin* Abi() noexcept { return this; }
  static TKvPlugin* FromAbi(KvPlugin* plugin) noexcept { return static_cast<TKvPlugin*>(plugin); }

  // Binds a parameterless member function as a menu entry handler; the handler gives the host a
  // status and keeps every exception inside.
  template <class T, void (T::*Method)()>
  static TMethod Bind(T* self) {
    return TMethod{&HandlerThunk<T, Method>, self->Abi()};
  }

 protected:
  uint32_t HostContext = 0;
  KvString Description;
  KvString FileName;
  int32_t HostTag = 0;
  KvString ExtraInfo;
  TPluginMenuItems MenuItems;
  KvString Name;

 private:
  void DestroyRoot();

  template <class T, void (T::*Method)()>
  static int32_t KVAPI HandlerThunk(void* data);
  static int32_t RunHandler(void* data, void (*call)(TKvPlugin*)) noexcept;
};

template <class T, void (T::*Method)()>
int32_t KVAPI TKvPlugin::HandlerThunk(void* data) {
  return RunHandler(data, [](TKvPlugin* self) { (static_cast<T*>(self)->*Method)(); });
}

// The "About" message: name, an empty line, description, an empty line, "Version: " and the text.
std::string AboutText(std::string_view name, std::string_view description,
                      std::string_view versionText);

// Builds an object of a plug-in class for the host: the object, or null with the host error set.
template <class T>
KvPlugin* ConstructForHost() noexcept;

KvPlugin* ConstructForHostImpl(TKvPlugin* (*make)()) noexcept;

template <class T>
KvPlugin* ConstructForHost() noexcept {
  return ConstructForHostImpl([]() -> TKvPlugin* { return new T(); });
}

}  // namespace zmt
