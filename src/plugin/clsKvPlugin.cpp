#include "clsKvPlugin.h"

#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

#include "FaultInjection.h"
#include "HostError.h"
#include "Sync.h"

#ifdef _WIN32
#include "clsAppInfo.h"
#include "modMessageDlg.h"
#endif

namespace zmt {

#ifdef ZMT_FAULT_INJECTION
namespace fault {
std::string RootDestroyMessage;
std::function<void()> ConstructionProbe;
}  // namespace fault
#endif

namespace {

const char kDefaultName[] = "Tessinor Plugin";
const char kDefaultDescription[] =
    "Set TKvPlugin.Description to give your plugin detailed information on what it is about";

KvPluginMenuItem* AllocateItems(int32_t length) {
  auto* header = static_cast<KvBlockHeader*>(
      SharedAlloc(sizeof(KvBlockHeader) + sizeof(KvPluginMenuItem) * static_cast<size_t>(length)));
  header->RefCount = 1;
  header->Length = length;
  return reinterpret_cast<KvPluginMenuItem*>(header + 1);
}

}  // namespace

// ---- TPluginMenuItems ----

TPluginMenuItems::TPluginMenuItems(const TPluginMenuItems& other) noexcept : items_(other.items_) {
  AddRefBlock(items_);
}

TPluginMenuItems::~TPluginMenuItems() {
  Release(items_);
}

int32_t TPluginMenuItems::Length() const noexcept {
  return items_ ? KV_BLOCK_HEADER(items_)->Length : 0;
}

const TKvPluginMenuItem& TPluginMenuItems::operator[](int32_t index) const {
  if (index < 0 || index >= Length()) throw EArgumentError("Menu item index out of range");
  return items_[index];
}

void TPluginMenuItems::Append(uint8_t flags, const KvString& caption, TMethod handler) {
  const int32_t length = Length();
  KvPluginMenuItem* grown = AllocateItems(length + 1);
  const bool sole =
      items_ && __atomic_load_n(&KV_BLOCK_HEADER(items_)->RefCount, __ATOMIC_ACQUIRE) == 1;
  for (int32_t i = 0; i < length; ++i) {
    grown[i] = items_[i];
    // The old block keeps its captions when others still hold it; the new one needs its own
    // references then.
    if (!sole) AddRefBlock(grown[i].Caption);
  }
  KvPluginMenuItem& item = grown[length];
  std::memset(&item, 0, sizeof item);
  item.Flags = flags;
  item.Caption = caption.Share();
  item.Code = handler.Code;
  item.Data = handler.Data;
  if (sole) {
    SharedFree(KV_BLOCK_HEADER(items_));  // captions moved to the new block
  } else {
    Release(items_);
  }
  items_ = grown;
}

KvPluginMenuItem* TPluginMenuItems::Share() const noexcept {
  AddRefBlock(items_);
  return items_;
}

void TPluginMenuItems::Release(KvPluginMenuItem* items) noexcept {
  if (!ReleaseBlock(items)) return;
  for (int32_t i = 0; i < KV_BLOCK_HEADER(items)->Length; ++i)
    KvString::Adopt(items[i].Caption);  // dropped at once: releases the caption
  SharedFree(KV_BLOCK_HEADER(items));
}

// ---- the host's table ----

namespace {

template <class Result, class Work>
Result Guard(Result failed, Work&& work) noexcept {
  Result result = failed;
  RunGuarded([&] { result = work(); });
  return result;
}

KvString TextArg(const char* text) {
  return KvString(text);
}

int32_t KVAPI AbiDestroy(KvPlugin* self) {
  if (!self) return KV_S_OK;
  ClearHostError();
  TKvPlugin* plugin = TKvPlugin::FromAbi(self);
  const bool ok = RunGuarded([&] { plugin->Destroy(); });
  delete plugin;  // the memory goes whatever the destructor's steps did
  return ok ? KV_S_OK : KV_E_FAIL;
}

KvPlugin* KVAPI AbiCreate(KvPlugin* self) {
  ClearHostError();
  return Guard<KvPlugin*>(nullptr, [&] {
    TKvPlugin* source = TKvPlugin::FromAbi(self);
    std::unique_ptr<TKvPlugin> created(source->Create());
    // A derived class that does not override Create would hand out a base object in its place.
    const TKvPlugin* made = created.get();
    if (!made || typeid(*made) != typeid(*source))
      throw EPluginCreateError("Create gives no new object of the plug-in's own class");
    return created.release()->Abi();
  });
}

int32_t KVAPI AbiGetHostContext(KvPlugin* self, uint32_t* value) {
  ClearHostError();
  return Guard<int32_t>(KV_E_UNEXPECTED, [&] {
    if (!value) throw EArgumentError("GetHostContext was given no place for the value");
    uint32_t context = 0;
    const int32_t status = TKvPlugin::FromAbi(self)->GetHostContext(context);
    *value = context;
    return status;
  });
}

KvStr KVAPI AbiGetDescription(KvPlugin* self) {
  return Guard<KvStr>(nullptr, [&] { return TKvPlugin::FromAbi(self)->GetDescription().Share(); });
}

int32_t KVAPI AbiGetHostTag(KvPlugin* self) {
  return Guard<int32_t>(0, [&] { return TKvPlugin::FromAbi(self)->GetHostTag(); });
}

KvStr KVAPI AbiGetFileName(KvPlugin* self) {
  return Guard<KvStr>(nullptr, [&] { return TKvPlugin::FromAbi(self)->GetFileName().Share(); });
}

KvStr KVAPI AbiGetExtraInfo(KvPlugin* self) {
  return Guard<KvStr>(nullptr, [&] { return TKvPlugin::FromAbi(self)->GetExtraInfo().Share(); });
}

KvPluginMenuItem* KVAPI AbiGetMenuItems(KvPlugin* self) {
  return Guard<KvPluginMenuItem*>(nullptr,
                                  [&] { return TKvPlugin::FromAbi(self)->GetMenuItems().Share(); });
}

KvStr KVAPI AbiGetName(KvPlugin* self) {
  return Guard<KvStr>(nullptr, [&] { return TKvPlugin::FromAbi(self)->GetName().Share(); });
}

int32_t KVAPI AbiExecute(KvPlugin* self) {
  ClearHostError();
  return Guard<int32_t>(0, [&] { return TKvPlugin::FromAbi(self)->Execute() ? 1 : 0; });
}

int32_t KVAPI AbiSetHostContext(KvPlugin* self, uint32_t value) {
  ClearHostError();
  return Guard<int32_t>(KV_E_UNEXPECTED,
                        [&] { return TKvPlugin::FromAbi(self)->SetHostContext(value); });
}

void KVAPI AbiSetDescription(KvPlugin* self, const char* text) {
  RunGuarded([&] { TKvPlugin::FromAbi(self)->SetDescription(TextArg(text)); });
}

void KVAPI AbiSetHostTag(KvPlugin* self, int32_t tag) {
  RunGuarded([&] { TKvPlugin::FromAbi(self)->SetHostTag(tag); });
}

void KVAPI AbiSetFileName(KvPlugin* self, const char* text) {
  RunGuarded([&] { TKvPlugin::FromAbi(self)->SetFileName(TextArg(text)); });
}

void KVAPI AbiSetName(KvPlugin* self, const char* text) {
  RunGuarded([&] { TKvPlugin::FromAbi(self)->SetName(TextArg(text)); });
}

void KVAPI AbiNotify(KvPlugin* self, const char* text, uint32_t value) {
  RunGuarded([&] { TKvPlugin::FromAbi(self)->Notify(TextArg(text), value); });
}

void KVAPI AbiNotifyValues(KvPlugin* self, const uint32_t* values, int32_t count) {
  RunGuarded([&] {
    if (count < 0 || (count > 0 && !values))
      throw EArgumentError("NotifyValues was given no values for a count above zero");
    TKvPlugin::FromAbi(self)->NotifyValues(count ? values : nullptr, count);
  });
}

const KvPluginVmt kVmt = {
    AbiDestroy,
    {AbiCreate, AbiGetHostContext, AbiGetDescription, AbiGetHostTag, AbiGetFileName,
     AbiGetExtraInfo, AbiGetMenuItems, AbiGetName, AbiExecute, AbiSetHostContext, AbiSetDescription,
     AbiSetHostTag, AbiSetFileName, AbiSetName, AbiNotify, AbiNotifyValues}};

}  // namespace

// ---- TKvPlugin ----

TKvPlugin::TKvPlugin() : KvPlugin{&kVmt.Ops} {
  WriteLockGuard creating(GlobalNameSpace());
  ExtraInfo = KvString();
  Name = KvString(kDefaultName);
  Description = KvString(kDefaultDescription);
#ifdef ZMT_FAULT_INJECTION
  if (fault::ConstructionProbe) fault::ConstructionProbe();
#endif
  AddMenuItem("About", 0, Bind<TKvPlugin, &TKvPlugin::ShowAbout>(this));
}

TKvPlugin::~TKvPlugin() = default;

TKvPlugin* TKvPlugin::Create() const {
  return new TKvPlugin();
}

int32_t TKvPlugin::GetHostContext(uint32_t& value) {
  value = HostContext;
  return KV_S_OK;
}

KvString TKvPlugin::GetDescription() {
  return Description;
}
int32_t TKvPlugin::GetHostTag() {
  return HostTag;
}
KvString TKvPlugin::GetFileName() {
  return FileName;
}
KvString TKvPlugin::GetExtraInfo() {
  return ExtraInfo;
}
const TPluginMenuItems& TKvPlugin::GetMenuItems() {
  return MenuItems;
}
KvString TKvPlugin::GetName() {
  return Name;
}
bool TKvPlugin::Execute() {
  return true;
}

int32_t TKvPlugin::SetHostContext(uint32_t value) {
  HostContext = value;
  return KV_S_OK;
}

void TKvPlugin::SetDescription(const KvString& text) {
  Description = text;
}
void TKvPlugin::SetHostTag(int32_t tag) {
  HostTag = tag;
}
void TKvPlugin::SetFileName(const KvString& text) {
  FileName = text;
}
void TKvPlugin::SetName(const KvString& text) {
  Name = text;
}
void TKvPlugin::Notify(const KvString&, uint32_t) {}
void TKvPlugin::NotifyValues(const uint32_t*, int32_t) {}

void TKvPlugin::Destroy() {
  try {
    HostContext = 0;
    DestroyRoot();
  } catch (const Exception& e) {
    throw EPluginError("Error In TKvPlugin.Destroy " + e.Message());
  }
}

void TKvPlugin::DestroyRoot() {
#ifdef ZMT_FAULT_INJECTION
  if (!fault::RootDestroyMessage.empty()) throw Exception(fault::RootDestroyMessage);
#endif
}

void TKvPlugin::AddMenuItem(const KvString& caption, uint8_t flags, TMethod handler) {
  MenuItems.Append(flags, caption, handler);
}

std::string AboutText(std::string_view name, std::string_view description,
                      std::string_view versionText) {
  std::string text;
  text.append(name).append("\r\r").append(description).append("\r\rVersion: ").append(versionText);
  return text;
}

void TKvPlugin::ShowAbout() {
#ifdef _WIN32
  // Through the operations, so that what a derived class gives is what the operator sees.
  const std::string text =
      AboutText(GetName().View(), GetDescription().View(), GetModuleVersionText(FileName.Str()));
  TimedMessageDlg(text, dtInformation, ButtonSet({btOK}), std::string(), 0, 0, clBtnFace);
#else
  throw Exception("This build shows no dialogs");
#endif
}

int32_t TKvPlugin::RunHandler(void* data, void (*call)(TKvPlugin*)) noexcept {
  ClearHostError();
  return RunGuarded([&] { call(FromAbi(static_cast<KvPlugin*>(data))); }) ? KV_S_OK : KV_E_FAIL;
}

KvPlugin* ConstructForHostImpl(TKvPlugin* (*make)()) noexcept {
  ClearHostError();
  return Guard<KvPlugin*>(nullptr, [&] { return make()->Abi(); });
}

}  // namespace zmt
