/*
 * kvhost - the reference host for Kv plug-in modules, built from kvplugin.h alone.
 *
 *   kvhost [options] <plugin.dll> [command ...]
 *
 * It loads the module, obtains an object through RegisterKvPlugin, sets FileName to the module's
 * full path (as a host does), runs the commands in order, frees the object and unloads the module.
 * Every line it prints is "key: value"; texts are escaped (\r, \n, \t, \\, \xHH) so that one value
 * stays on one line. Exit status: 0 all went well, 1 usage, 2 the module does not load, 3 an
 * export is missing, 4 RegisterKvPlugin gave no object, 5 an operation failed.
 */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kvplugin.h"

enum { EXIT_USAGE = 1, EXIT_LOAD = 2, EXIT_EXPORT = 3, EXIT_REGISTER = 4, EXIT_OPERATION = 5 };

static const char usage[] =
    "usage: kvhost [--register EXPORT] [--no-file-name] <plugin.dll> [command ...]\n"
    "commands:\n"
    "  list                     everything the object gives\n"
    "  set-name TEXT            set-description TEXT    set-file-name TEXT\n"
    "  set-host-tag N           set-host-context N\n"
    "  execute                  call Execute and print its result\n"
    "  menu CAPTION             run the handler of the entry with that caption\n"
    "  notify TEXT N            notify-values [N,N,...]  (an empty list is \"\")\n"
    "  create                   position 0: list a new object of the same class, then free it\n"
    "  dll-message              call DllMessage when the module exports it\n"
    "  keep-name                keep the name text and print it after the module is unloaded\n";

/* GetProcAddress gives a generic function pointer; copying it keeps the conversion explicit. */
static void* find_export(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  void* result = NULL;
  if (proc) memcpy(&result, &proc, sizeof result);
  return result;
}

static void print_text(const char* key, const char* text) {
  const unsigned char* p = (const unsigned char*)(text ? text : "");
  printf("%s: ", key);
  for (; *p; ++p) {
    switch (*p) {
      case '\r':
        fputs("\\r", stdout);
        break;
      case '\n':
        fputs("\\n", stdout);
        break;
      case '\t':
        fputs("\\t", stdout);
        break;
      case '\\':
        fputs("\\\\", stdout);
        break;
      default:
        if (*p < 0x20 || *p == 0x7F)
          printf("\\x%02X", *p);
        else
          putchar(*p);
    }
  }
  putchar('\n');
}

static void print_kvstr(const char* key, KvStr text) {
  print_text(key, KvStrChars(text));
  KvStrRelease(text);
}

/* Prints the thread's error object, if the failing call left one. */
static void print_error(const char* what) {
  char message[2048];
  char source[256];
  fprintf(stderr, "kvhost: %s failed\n", what);
  if (KvTakeErrorMessage(message, sizeof message, source, sizeof source)) {
    print_text("error-source", source);
    print_text("error-message", message);
  }
}

static int parse_int(const char* text, long long low, long long high, long long* value) {
  char* end = NULL;
  long long v;
  if (!text || !*text) return 0;
  errno = 0;
  v = strtoll(text, &end, 0);
  if (errno || *end || v < low || v > high) return 0;
  *value = v;
  return 1;
}

static void list_object(KvPlugin* p, const char* prefix) {
  const KvPluginVtbl* ops = p->Vtbl;
  KvPluginMenuItem* items;
  uint32_t context = 0;
  int32_t status, i, n;
  char key[64];

#define KEY(name) (snprintf(key, sizeof key, "%s%s", prefix, name), key)
  print_kvstr(KEY("name"), ops->GetName(p));
  print_kvstr(KEY("description"), ops->GetDescription(p));
  print_kvstr(KEY("extra-info"), ops->GetExtraInfo(p));
  print_kvstr(KEY("file-name"), ops->GetFileName(p));
  printf("%s: %ld\n", KEY("host-tag"), (long)ops->GetHostTag(p));
  status = ops->GetHostContext(p, &context);
  printf("%s: %lu\n", KEY("host-context"), (unsigned long)context);
  printf("%s: 0x%08lX\n", KEY("host-context-status"), (unsigned long)(uint32_t)status);
  items = ops->GetMenuItems(p);
  n = KvMenuItemsLength(items);
  printf("%s: %ld\n", KEY("menu-count"), (long)n);
  for (i = 0; i < n; ++i) {
    char item_key[96];
    snprintf(item_key, sizeof item_key, "%smenu[%ld].caption", prefix, (long)i);
    print_text(item_key, KvStrChars(items[i].Caption));
    printf("%smenu[%ld].flags: %u\n", prefix, (long)i, (unsigned)items[i].Flags);
  }
  KvMenuItemsRelease(items);
#undef KEY
}

static int run_menu(KvPlugin* p, const char* caption) {
  KvPluginMenuItem* items = p->Vtbl->GetMenuItems(p);
  int32_t i, n = KvMenuItemsLength(items), status = 0;
  int found = 0;
  for (i = 0; i < n && !found; ++i) {
    if (strcmp(KvStrChars(items[i].Caption), caption) == 0) {
      found = 1;
      status = items[i].Code(items[i].Data);
    }
  }
  KvMenuItemsRelease(items);
  if (!found) {
    fprintf(stderr, "kvhost: no menu entry \"%s\"\n", caption);
    return EXIT_OPERATION;
  }
  print_text("menu", caption);
  printf("menu-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
  if (status != KV_S_OK) {
    print_error("menu handler");
    return EXIT_OPERATION;
  }
  return 0;
}

static int run_notify_values(KvPlugin* p, const char* list) {
  uint32_t values[256];
  int32_t count = 0;
  const char* cursor = list;
  while (*cursor) {
    char piece[32];
    size_t len = strcspn(cursor, ",");
    long long v;
    if (len == 0 || len >= sizeof piece || count == 256) {
      fprintf(stderr, "kvhost: bad value list \"%s\"\n", list);
      return EXIT_USAGE;
    }
    memcpy(piece, cursor, len);
    piece[len] = 0;
    if (!parse_int(piece, 0, 0xFFFFFFFFLL, &v)) {
      fprintf(stderr, "kvhost: bad value \"%s\"\n", piece);
      return EXIT_USAGE;
    }
    values[count++] = (uint32_t)v;
    cursor += len;
    if (*cursor == ',') ++cursor;
  }
  p->Vtbl->NotifyValues(p, count ? values : NULL, count);
  printf("notify-values: %ld\n", (long)count);
  return 0;
}

/* Runs one command at args[*i]; advances *i past its arguments. */
static int run_command(HMODULE module, KvPlugin* p, int argc, char** argv, int* i, KvStr* kept) {
  const KvPluginVtbl* ops = p->Vtbl;
  const char* cmd = argv[(*i)++];
  const char* arg = *i < argc ? argv[*i] : NULL;
  long long v;

#define NEED_ARG()                                            \
  do {                                                        \
    if (!arg) {                                               \
      fprintf(stderr, "kvhost: %s needs an argument\n", cmd); \
      return EXIT_USAGE;                                      \
    }                                                         \
    ++*i;                                                     \
  } while (0)

  if (strcmp(cmd, "list") == 0) {
    list_object(p, "");
  } else if (strcmp(cmd, "set-name") == 0) {
    NEED_ARG();
    ops->SetName(p, arg);
  } else if (strcmp(cmd, "set-description") == 0) {
    NEED_ARG();
    ops->SetDescription(p, arg);
  } else if (strcmp(cmd, "set-file-name") == 0) {
    NEED_ARG();
    ops->SetFileName(p, arg);
  } else if (strcmp(cmd, "set-host-tag") == 0) {
    NEED_ARG();
    if (!parse_int(arg, INT32_MIN, INT32_MAX, &v)) {
      fprintf(stderr, "kvhost: host tag \"%s\" is not a 32-bit integer\n", arg);
      return EXIT_USAGE;
    }
    ops->SetHostTag(p, (int32_t)v);
  } else if (strcmp(cmd, "set-host-context") == 0) {
    int32_t status;
    NEED_ARG();
    if (!parse_int(arg, 0, 0xFFFFFFFFLL, &v)) {
      fprintf(stderr, "kvhost: host context \"%s\" is not a 32-bit value\n", arg);
      return EXIT_USAGE;
    }
    status = ops->SetHostContext(p, (uint32_t)v);
    printf("set-host-context-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
    if (status != KV_S_OK) {
      print_error("SetHostContext");
      return EXIT_OPERATION;
    }
  } else if (strcmp(cmd, "execute") == 0) {
    char message[2048], source[256];
    int32_t result = ops->Execute(p);
    printf("execute: %s\n", result ? "true" : "false");
    if (!result && KvTakeErrorMessage(message, sizeof message, source, sizeof source)) {
      print_text("error-source", source);
      print_text("error-message", message);
      return EXIT_OPERATION;
    }
  } else if (strcmp(cmd, "menu") == 0) {
    NEED_ARG();
    return run_menu(p, arg);
  } else if (strcmp(cmd, "notify") == 0) {
    NEED_ARG();
    if (*i >= argc || !parse_int(argv[*i], 0, 0xFFFFFFFFLL, &v)) {
      fprintf(stderr, "kvhost: notify needs a text and a 32-bit value\n");
      return EXIT_USAGE;
    }
    ++*i;
    ops->Notify(p, arg, (uint32_t)v);
    print_text("notify", arg);
  } else if (strcmp(cmd, "notify-values") == 0) {
    NEED_ARG();
    return run_notify_values(p, arg);
  } else if (strcmp(cmd, "create") == 0) {
    KvPlugin* created = ops->Create(p);
    int32_t status;
    if (!created) {
      print_error("Create");
      return EXIT_OPERATION;
    }
    printf("create: %s\n", created == p ? "same object" : "new object");
    list_object(created, "created.");
    status = KvPluginFree(created);
    printf("created.destroy-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
    if (status != KV_S_OK) {
      print_error("Destroy");
      return EXIT_OPERATION;
    }
  } else if (strcmp(cmd, "dll-message") == 0) {
    DllMessageProc proc;
    void* found = find_export(module, "DllMessage");
    if (!found) {
      fprintf(stderr, "kvhost: the module does not export DllMessage\n");
      return EXIT_EXPORT;
    }
    memcpy(&proc, &found, sizeof proc);
    fflush(stdout);
    proc();
    printf("dll-message: done\n");
  } else if (strcmp(cmd, "keep-name") == 0) {
    KvStrRelease(*kept);
    *kept = ops->GetName(p);
    print_text("keep-name", KvStrChars(*kept));
  } else {
    fprintf(stderr, "kvhost: unknown command \"%s\"\n%s", cmd, usage);
    return EXIT_USAGE;
  }
  return 0;
#undef NEED_ARG
}

int main(int argc, char** argv) {
  const char* export_name = "RegisterKvPlugin";
  int set_file_name = 1;
  int i = 1, result = 0;
  char path[MAX_PATH];
  HMODULE module;
  RegisterKvPluginProc register_proc;
  KvPlugin* plugin;
  KvStr kept = NULL;
  int32_t status;
  void* found;

  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    if (strcmp(argv[i], "--register") == 0 && i + 1 < argc) {
      export_name = argv[++i];
    } else if (strcmp(argv[i], "--no-file-name") == 0) {
      set_file_name = 0;
    } else {
      fputs(usage, stderr);
      return EXIT_USAGE;
    }
  }
  if (i >= argc) {
    fputs(usage, stderr);
    return EXIT_USAGE;
  }
  setvbuf(stdout, NULL, _IONBF, 0);

  {
    /* A path that does not fit gives the size it needs and leaves the buffer unwritten. */
    DWORD length = GetFullPathNameA(argv[i], sizeof path, path, NULL);
    if (length == 0) {
      fprintf(stderr, "kvhost: bad module path \"%s\"\n", argv[i]);
      return EXIT_LOAD;
    }
    if (length >= sizeof path) {
      fprintf(stderr, "kvhost: module path too long (%lu characters, at most %u): \"%s\"\n",
              (unsigned long)length - 1, (unsigned)sizeof path - 1, argv[i]);
      return EXIT_LOAD;
    }
  }
  module = LoadLibraryA(path);
  if (!module) {
    fprintf(stderr, "kvhost: cannot load \"%s\" (error %lu)\n", path, GetLastError());
    return EXIT_LOAD;
  }
  print_text("module", path);
  found = find_export(module, export_name);
  if (!found) {
    fprintf(stderr, "kvhost: \"%s\" does not export %s\n", path, export_name);
    FreeLibrary(module);
    return EXIT_EXPORT;
  }
  memcpy(&register_proc, &found, sizeof register_proc);
  plugin = register_proc();
  if (!plugin) {
    print_error(export_name);
    FreeLibrary(module);
    return EXIT_REGISTER;
  }
  if (set_file_name) plugin->Vtbl->SetFileName(plugin, path);

  for (++i; i < argc && result == 0;) result = run_command(module, plugin, argc, argv, &i, &kept);

  status = KvPluginFree(plugin);
  printf("destroy-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
  if (status != KV_S_OK) {
    print_error("Destroy");
    if (!result) result = EXIT_OPERATION;
  }
  printf("unload: %s\n", FreeLibrary(module) ? "ok" : "failed");
  if (kept) {
    /* The module is gone; the text lives on in the process heap. */
    print_text("kept-name", KvStrChars(kept));
    printf("kept-name-refcount: %ld\n", (long)KV_BLOCK_HEADER(kept)->RefCount);
    KvStrRelease(kept);
  }
  return result;
}
