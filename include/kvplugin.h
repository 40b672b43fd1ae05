/*
 * kvplugin.h - host SDK for Tessinor Kv plug-in modules (ZMTCheck.dll and its kin).
 *
 * This header is the whole contract between a host application and a plug-in module. It is plain
 * C (C89 with <stdint.h>), usable from C and C++, and every layout in it is written out so that a
 * host in another language can bind to it by hand.
 *
 * 1. Finding the object
 *    A module exports, by name and ordinal:
 *      ordinal 1  KvPlugin* KVAPI RegisterKvPlugin(void);   a new plug-in object, or NULL
 *      ordinal 2  void      KVAPI DllMessage(void);         shows the module's identification box
 *    (DllMessage is optional for modules other than ZMTCheck.dll.) Every RegisterKvPlugin call
 *    builds a further object; the host owns each one and must free it before unloading the module,
 *    since the object's code lives in the module.
 *
 * 2. Calling convention
 *    KVAPI is __stdcall on 32-bit Windows (arguments right to left on the stack, the callee removes
 *    them) and the platform's only convention on x86_64. Every operation takes the object pointer
 *    as its first argument, as COM methods do. 32-bit results come back in EAX/RAX.
 *
 * 3. The object and its operations
 *    The object pointer points at one machine word: the address of the operation table below
 *    (KvPluginVtbl). The host calls operations by their position in that table, 0 to 15; the
 *    order never changes between versions, and a plug-in class overrides entries without moving
 *    them. The root class's destructor sits in the word just before position 0 (position -1);
 *    KvPluginFree() below calls it. Nothing else about the object's memory is public.
 *
 *      pos  operation        takes                        gives
 *      -1   Destroy          -                            status (see 5); the object is gone
 *       0   Create           -                            a new object of the same class, or NULL
 *       1   GetHostContext   uint32_t* out                status 0, or 0x8000FFFF on failure
 *       2   GetDescription   -                            text
 *       3   GetHostTag       -                            int32_t
 *       4   GetFileName      -                            text
 *       5   GetExtraInfo     -                            text
 *       6   GetMenuItems     -                            menu entry array
 *       7   GetName          -                            text
 *       8   Execute          -                            int32_t Boolean (1 true, 0 false)
 *       9   SetHostContext   uint32_t                     status 0, or 0x8000FFFF on failure
 *      10   SetDescription   const char* text             -
 *      11   SetHostTag       int32_t                      -
 *      12   SetFileName      const char* text             -
 *      13   SetName          const char* text             -
 *      14   Notify           const char* text, uint32_t   -
 *      15   NotifyValues     const uint32_t*, int32_t n   -   (n values; n may be 0, the pointer
 *                                                               NULL)
 *
 * 4. Texts and arrays
 *    Texts are 8-bit strings in the system's ANSI code page. A text that the module gives (KvStr)
 *    is a pointer to its first character, zero-terminated, with a header of two 32-bit integers
 *    right before it: the reference count at -8 and the length in bytes (without the terminator)
 *    at -4. NULL is the empty text. The block (header, characters, terminator) comes from the
 *    Windows process heap, GetProcessHeap(), which every module and language in the process
 *    shares, so a text outlives the object and the module that made it.
 *    Every text that an operation gives carries one reference that now belongs to the caller:
 *    release it with KvStrRelease() (decrement the count atomically; at 0 HeapFree the block from
 *    the process heap), or keep it as long as you like. KvStrAddRef() takes a further reference.
 *    Texts that the host passes in (const char*) are only read during the call and copied; any
 *    zero-terminated text will do, NULL meaning empty.
 *
 *    GetMenuItems gives the object's own array of menu entries, not a copy: two calls give the
 *    same pointer. The pointer addresses entry 0; the same header of reference count (-8) and
 *    number of entries (-4) precedes it, and the block comes from the process heap. Each call
 *    gives the caller one reference; release it with KvMenuItemsRelease(), which, when the last
 *    reference goes, releases each entry's Caption and frees the block. Entries are only ever
 *    appended, and only while the object is being constructed.
 *
 *    A menu entry (KvPluginMenuItem) is, on 32-bit Windows, 16 bytes: Flags (one byte, which the
 *    module hands over unchanged), three bytes of padding, Caption (KvStr) at 4, the handler's code
 *    at 8 and the handler's object at 12. On x86_64 it is 32 bytes: Flags at 0, Caption at 8, code
 *    at 16, object at 24. To run an entry, call Code(Data); it gives a status as in 5. The handler
 *    lives in the module's code: call it only while the object exists.
 *
 * 5. Errors
 *    No C++ exception, or any other language's exception, ever leaves the module. An operation
 *    that fails says so in its result, and the reason is in the calling thread's COM error object
 *    (SetErrorInfo / GetErrorInfo of ole32, which needs no CoInitialize): its description is the
 *    message, its source the module's name for the kind of error (for example "EPluginError").
 *    The failing results are:
 *      - RegisterKvPlugin and Create: NULL (the object could not be constructed). A Create that
 *        would give an object of another class than the one it was called on (a plug-in class
 *        that does not make copies of itself) is refused with source "EPluginCreateError";
 *      - Destroy and menu handlers: a status other than 0 (KV_E_FAIL); the object is released all
 *        the same. A destructor failure reads "Error In TKvPlugin.Destroy " and the cause;
 *      - GetHostContext and SetHostContext: KV_E_UNEXPECTED (0x8000FFFF), the stored value being
 *        left as it was;
 *      - Execute: 0 (false) with an error object; false without one is the plug-in's own answer.
 *    The operations that report failures clear the thread's error object when they start, so an
 *    error object found after a failing result belongs to that call. KvTakeErrorMessage() below
 *    reads and clears it. The other operations do not fail.
 *
 * 6. Threads
 *    Call a module's operations on one thread, the host's user-interface thread: its dialogs are
 *    modal windows of that thread.
 *
 * 7. ZMTCheck.dll
 *    Its object is named "ZMTCheckPlugin" and has the one menu entry "About". Constructing it
 *    (RegisterKvPlugin, or Create) opens the POS database connection, with its own prompts and
 *    error report where the stored settings ask for them; a connection that fails is reported to
 *    the operator and still gives an object. Only an error beyond that (COM or ADO unusable, say)
 *    gives NULL, with the error object set (source "EOleException" when ADO cannot be created).
 *    Execute makes sure that the Windows service "zmtservice" runs on this machine (starting,
 *    restarting or installing it, with modal message boxes where the operator must act) and
 *    gives 1 whatever it found; it may block the calling thread for a while (the service
 *    commands, and 30 seconds after starting the installer). The programs it runs ("net" and
 *    the installer, which may outlive the call) inherit none of the host's handles on Windows
 *    Vista and later; Windows XP cannot name the handles a program inherits, so there they
 *    inherit every inheritable one: a host that must keep a socket or pipe to itself on XP
 *    makes it non-inheritable.
 *    Several objects may live at once. Each owns its own database connection, which its Execute
 *    reads; the module-wide connection that the module's other parts use is always the newest
 *    live object's. Free them in any order; after the last one is freed the module holds no
 *    connection. DllMessage shows "ZMTCheck For Quro POS" in a modal box captioned with the
 *    host's title and works with or without an object. The module's version resource carries
 *    the product's version, which the About entry shows once the host sets FileName to the
 *    module's path.
 */
#ifndef KVPLUGIN_H
#define KVPLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#else
#include <stdlib.h>
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define KVAPI __stdcall
#else
#define KVAPI
#endif

#define KV_S_OK 0
#define KV_E_UNEXPECTED ((int32_t)0x8000FFFF)
#define KV_E_FAIL ((int32_t)0x80004005)

#ifdef __cplusplus
extern "C" {
#endif

typedef char* KvStr;

/* The header in front of every text and array that crosses the boundary. */
typedef struct KvBlockHeader {
  volatile int32_t RefCount;
  int32_t Length;
} KvBlockHeader;

#define KV_BLOCK_HEADER(p) ((KvBlockHeader*)((char*)(p) - sizeof(KvBlockHeader)))

typedef struct KvPlugin KvPlugin;

typedef int32_t(KVAPI* KvMenuHandlerCode)(void* object);

typedef struct KvPluginMenuItem {
  uint8_t Flags;
  KvStr Caption;
  KvMenuHandlerCode Code;
  void* Data;
} KvPluginMenuItem;

typedef struct KvPluginVtbl {
  KvPlugin*(KVAPI* Create)(KvPlugin* self);                                     /* 0 */
  int32_t(KVAPI* GetHostContext)(KvPlugin* self, uint32_t* value);              /* 1 */
  KvStr(KVAPI* GetDescription)(KvPlugin* self);                                 /* 2 */
  int32_t(KVAPI* GetHostTag)(KvPlugin* self);                                   /* 3 */
  KvStr(KVAPI* GetFileName)(KvPlugin* self);                                    /* 4 */
  KvStr(KVAPI* GetExtraInfo)(KvPlugin* self);                                   /* 5 */
  KvPluginMenuItem*(KVAPI* GetMenuItems)(KvPlugin* self);                       /* 6 */
  KvStr(KVAPI* GetName)(KvPlugin* self);                                        /* 7 */
  int32_t(KVAPI* Execute)(KvPlugin* self);                                      /* 8 */
  int32_t(KVAPI* SetHostContext)(KvPlugin* self, uint32_t value);               /* 9 */
  void(KVAPI* SetDescription)(KvPlugin* self, const char* text);                /* 10 */
  void(KVAPI* SetHostTag)(KvPlugin* self, int32_t tag);                         /* 11 */
  void(KVAPI* SetFileName)(KvPlugin* self, const char* text);                   /* 12 */
  void(KVAPI* SetName)(KvPlugin* self, const char* text);                       /* 13 */
  void(KVAPI* Notify)(KvPlugin* self, const char* text, uint32_t value);        /* 14 */
  void(KVAPI* NotifyValues)(KvPlugin* self, const uint32_t* values, int32_t n); /* 15 */
} KvPluginVtbl;

/* The whole table as laid out in memory: the root class's slot, then positions 0 to 15. */
typedef struct KvPluginVmt {
  int32_t(KVAPI* Destroy)(KvPlugin* self); /* -1 */
  KvPluginVtbl Ops;
} KvPluginVmt;

struct KvPlugin {
  const KvPluginVtbl* Vtbl;
};

typedef KvPlugin*(KVAPI* RegisterKvPluginProc)(void);
typedef void(KVAPI* DllMessageProc)(void);

#define KV_PLUGIN_VMT(p) \
  ((const KvPluginVmt*)(const void*)((const char*)(p)->Vtbl - offsetof(KvPluginVmt, Ops)))

/* The layouts are checked wherever the compiler can: C++11 and C11. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define KV_STATIC_ASSERT(cond, text) static_assert(cond, text)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define KV_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif
#ifdef KV_STATIC_ASSERT
KV_STATIC_ASSERT(offsetof(KvPluginVmt, Ops) == sizeof(void*), "the destructor slot is position -1");
KV_STATIC_ASSERT(sizeof(KvBlockHeader) == 8, "block header is two 32-bit integers");
#if defined(_WIN32) && !defined(_WIN64)
KV_STATIC_ASSERT(sizeof(KvPluginMenuItem) == 16, "menu entry is 16 bytes on i686");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Caption) == 4, "Caption at offset 4");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Code) == 8, "handler code at offset 8");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Data) == 12, "handler object at offset 12");
#elif defined(_WIN64) || defined(__x86_64__)
KV_STATIC_ASSERT(sizeof(KvPluginMenuItem) == 32, "menu entry is 32 bytes on x86_64");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Caption) == 8, "Caption at offset 8");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Code) == 16, "handler code at offset 16");
KV_STATIC_ASSERT(offsetof(KvPluginMenuItem, Data) == 24, "handler object at offset 24");
#endif
#endif

/*
 * Helpers for hosts. On Windows they work on the process heap; elsewhere (the module's portable
 * test builds) on the C heap, which is where those builds allocate.
 */
#ifdef _WIN32
#define KV_ATOMIC_INC(p) InterlockedIncrement((volatile LONG*)(p))
#define KV_ATOMIC_DEC(p) InterlockedDecrement((volatile LONG*)(p))
#define KV_BLOCK_FREE(p) HeapFree(GetProcessHeap(), 0, (p))
#else
#define KV_ATOMIC_INC(p) __atomic_add_fetch((p), 1, __ATOMIC_RELAXED)
#define KV_ATOMIC_DEC(p) __atomic_sub_fetch((p), 1, __ATOMIC_ACQ_REL)
#define KV_BLOCK_FREE(p) free(p)
#endif

/* Frees a plug-in object through position -1. Gives 0, or KV_E_FAIL with an error object. */
static __inline int32_t KvPluginFree(KvPlugin* plugin) {
  return plugin ? KV_PLUGIN_VMT(plugin)->Destroy(plugin) : KV_S_OK;
}

static __inline int32_t KvStrLength(KvStr s) {
  return s ? KV_BLOCK_HEADER(s)->Length : 0;
}

/* The characters of a text; "" for the empty text, so it can go straight to printf. */
static __inline const char* KvStrChars(KvStr s) {
  return s ? s : "";
}

static __inline KvStr KvStrAddRef(KvStr s) {
  if (s) KV_ATOMIC_INC(&KV_BLOCK_HEADER(s)->RefCount);
  return s;
}

static __inline void KvStrRelease(KvStr s) {
  if (s && KV_ATOMIC_DEC(&KV_BLOCK_HEADER(s)->RefCount) == 0) KV_BLOCK_FREE(KV_BLOCK_HEADER(s));
}

static __inline int32_t KvMenuItemsLength(const KvPluginMenuItem* items) {
  return items ? KV_BLOCK_HEADER(items)->Length : 0;
}

static __inline void KvMenuItemsRelease(KvPluginMenuItem* items) {
  int32_t i;
  if (!items || KV_ATOMIC_DEC(&KV_BLOCK_HEADER(items)->RefCount) != 0) return;
  for (i = 0; i < KV_BLOCK_HEADER(items)->Length; ++i) KvStrRelease(items[i].Caption);
  KV_BLOCK_FREE(KV_BLOCK_HEADER(items));
}

#ifdef _WIN32

#ifdef __cplusplus
#define KV_COM_CALL(obj, method, arg) ((obj)->method(arg))
#else
#define KV_COM_CALL(obj, method, arg) ((obj)->lpVtbl->method((obj), (arg)))
#endif

/*
 * Takes the calling thread's error object, if any: copies its description (as ANSI text) into
 * message and its source into source (either may be NULL), clears it, and gives 1; gives 0 when
 * there is none. Links with ole32 and oleaut32.
 */
static __inline int KvTakeErrorMessage(char* message, int messageSize, char* source,
                                       int sourceSize) {
  IErrorInfo* info = NULL;
  BSTR text = NULL;
  if (message && messageSize > 0) message[0] = 0;
  if (source && sourceSize > 0) source[0] = 0;
  if (GetErrorInfo(0, &info) != S_OK || !info) return 0;
  if (message && messageSize > 0 && SUCCEEDED(KV_COM_CALL(info, GetDescription, &text)) && text) {
    WideCharToMultiByte(CP_ACP, 0, text, -1, message, messageSize, NULL, NULL);
    message[messageSize - 1] = 0;
    SysFreeString(text);
    text = NULL;
  }
  if (source && sourceSize > 0 && SUCCEEDED(KV_COM_CALL(info, GetSource, &text)) && text) {
    WideCharToMultiByte(CP_ACP, 0, text, -1, source, sourceSize, NULL, NULL);
    source[sourceSize - 1] = 0;
    SysFreeString(text);
  }
#ifdef __cplusplus
  info->Release();
#else
  info->lpVtbl->Release(info);
#endif
  return 1;
}

#endif /* _WIN32 */

#ifdef __cplusplus
}
#endif

#endif /* KVPLUGIN_H */
