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
 *
 * With --unattended nobody needs to be at the screen: from before the module loads until it is
 * unloaded, every window of this process that offers buttons (message boxes, the module's own
 * dialogs) is printed and answered with the button that Enter would press:
 *   dialog: CAPTION
 *   dialog-text: TEXT             one line for each label, in the window's order
 *   dialog-buttons: A | B | C     the push buttons' captions
 *   dialog-answer: A              the button pressed; empty when there was none and the window
 *                                 was asked to close
 * Texts are as the screen shows them: an '&' that underlines the next letter is left out. The
 * last line is then "dialog-count: N", the number of windows answered.
 */
#include <windows.h>

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kvplugin.h"

enum { EXIT_USAGE = 1, EXIT_LOAD = 2, EXIT_EXPORT = 3, EXIT_REGISTER = 4, EXIT_OPERATION = 5 };

static const char usage[] =
    "usage: kvhost [--register EXPORT] [--no-file-name] [--unattended] <plugin.dll> [command ...]\n"
    "options:\n"
    "  --register EXPORT        obtain the object through EXPORT instead of RegisterKvPlugin\n"
    "  --no-file-name           leave FileName as the module sets it\n"
    "  --unattended             print every dialog (dialog:, dialog-text:, dialog-buttons:,\n"
    "                           dialog-answer:), press its default button, end with dialog-count:\n"
    "commands:\n"
    "  list                     everything the object gives\n"
    "  set-name TEXT            set-description TEXT    set-file-name TEXT\n"
    "  set-host-tag N           set-host-context N\n"
    "  execute                  call Execute and print its result\n"
    "  menu CAPTION             run the handler of the entry with that caption\n"
    "  notify TEXT N            notify-values [N,N,...]  (an empty list is \"\")\n"
    "  create                   position 0: list a new object of the same class, then free it\n"
    "  dll-message              call DllMessage when the module exports it\n"
    "  keep-name                keep the name text and print it after the module is unloaded\n"
    "  run COMMAND-LINE         run a program between two calls, wait for it, print its exit "
    "code\n";

/* GetProcAddress gives a generic function pointer; copying it keeps the conversion explicit. */
static void* find_export(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  void* result = NULL;
  if (proc) memcpy(&result, &proc, sizeof result);
  return result;
}

/* With --unattended a second thread prints too; each line is written whole under this lock. */
static CRITICAL_SECTION output_lock;

#ifdef __GNUC__
static void print_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif
static void print_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  EnterCriticalSection(&output_lock);
  vprintf(format, args);
  LeaveCriticalSection(&output_lock);
  va_end(args);
}

static void print_text(const char* key, const char* text) {
  const unsigned char* p = (const unsigned char*)(text ? text : "");
  EnterCriticalSection(&output_lock);
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
  LeaveCriticalSection(&output_lock);
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
  print_line("%s: %ld\n", KEY("host-tag"), (long)ops->GetHostTag(p));
  status = ops->GetHostContext(p, &context);
  print_line("%s: %lu\n", KEY("host-context"), (unsigned long)context);
  print_line("%s: 0x%08lX\n", KEY("host-context-status"), (unsigned long)(uint32_t)status);
  items = ops->GetMenuItems(p);
  n = KvMenuItemsLength(items);
  print_line("%s: %ld\n", KEY("menu-count"), (long)n);
  for (i = 0; i < n; ++i) {
    char item_key[96];
    snprintf(item_key, sizeof item_key, "%smenu[%ld].caption", prefix, (long)i);
    print_text(item_key, KvStrChars(items[i].Caption));
    print_line("%smenu[%ld].flags: %u\n", prefix, (long)i, (unsigned)items[i].Flags);
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
  print_line("menu-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
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
  print_line("notify-values: %ld\n", (long)count);
  return 0;
}

/* Runs a command line as the till's operator or another program might between two calls of the
 * module, waits for its end and prints its exit code. */
static int run_program(const char* command_line) {
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  DWORD code = 0;
  char* line = _strdup(command_line);
  int ok;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  ok = line && CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process);
  free(line);
  if (!ok) {
    fprintf(stderr, "kvhost: cannot run \"%s\" (error %lu)\n", command_line, GetLastError());
    return EXIT_OPERATION;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  print_text("run", command_line);
  print_line("run-exit-code: %lu\n", (unsigned long)code);
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
    print_line("set-host-context-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
    if (status != KV_S_OK) {
      print_error("SetHostContext");
      return EXIT_OPERATION;
    }
  } else if (strcmp(cmd, "execute") == 0) {
    char message[2048], source[256];
    int32_t result = ops->Execute(p);
    print_line("execute: %s\n", result ? "true" : "false");
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
    print_line("create: %s\n", created == p ? "same object" : "new object");
    list_object(created, "created.");
    status = KvPluginFree(created);
    print_line("created.destroy-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
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
    print_line("dll-message: done\n");
  } else if (strcmp(cmd, "run") == 0) {
    NEED_ARG();
    return run_program(arg);
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

/* ---- --unattended: a thread that answers the dialogs nobody is there to answer ---- */

enum { WATCH_PERIOD_MS = 50, ASK_TIMEOUT_MS = 1000, PAINT_WAITS = 20, MAX_ANSWERED = 64 };

static HANDLE watch_stop;
static HWND answered[MAX_ANSWERED]; /* pressed, and still on the screen */
static int answered_count;
static long dialog_count;

typedef struct {
  char* data; /* NUL-terminated once anything is in it */
  size_t length;
} Text;

/* A text cut short by a failed allocation still gets the dialog answered. */
static void append(Text* text, const char* chars, size_t length) {
  char* grown = realloc(text->data, text->length + length + 1);
  if (!grown) return;
  memcpy(grown + text->length, chars, length);
  text->length += length;
  grown[text->length] = '\0';
  text->data = grown;
}

/* The window's thread may be busy elsewhere (waiting for this one, even): never wait forever. */
static LRESULT ask(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                           ASK_TIMEOUT_MS, &result))
    return 0;
  return (LRESULT)result;
}

/* The caller frees the text; NULL when there is no memory for it. */
static char* window_text(HWND hwnd) {
  size_t size = (size_t)ask(hwnd, WM_GETTEXTLENGTH, 0, 0) + 1;
  char* text = calloc(size, 1);
  if (text) ask(hwnd, WM_GETTEXT, size, (LPARAM)text);
  return text;
}

static int has_class(HWND hwnd, const char* name) {
  char class_name[64];
  return GetClassNameA(hwnd, class_name, sizeof class_name) && lstrcmpiA(class_name, name) == 0;
}

/* Check boxes, radio buttons and group boxes are of the button class too, but answer nothing. */
static int is_push_button(HWND child) {
  LONG_PTR type = GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK;
  return has_class(child, "Button") && IsWindowVisible(child) &&
         (type < BS_CHECKBOX || type == BS_USERBUTTON || type > BS_AUTORADIOBUTTON);
}

static int is_label(HWND child) {
  LONG_PTR type = GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK;
  return has_class(child, "Static") && IsWindowVisible(child) && type != SS_ICON &&
         type != SS_BITMAP;
}

/* The button Enter would press: the dialog manager's default, the default-styled one, the one
   with the focus, the first. */
static HWND default_button(HWND dialog) {
  GUITHREADINFO gui;
  HWND child, styled = NULL, focused = NULL, first = NULL;
  if (has_class(dialog, "#32770")) {
    LRESULT id = ask(dialog, DM_GETDEFID, 0, 0);
    child = GetDlgItem(dialog, HIWORD(id) == DC_HASDEFID ? LOWORD(id) : IDOK);
    if (child && is_push_button(child)) return child;
  }
  memset(&gui, 0, sizeof gui);
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &gui);
  for (child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!is_push_button(child)) continue;
    if (!first) first = child;
    if (child == gui.hwndFocus) focused = child;
    if (!styled && (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      styled = child;
  }
  return styled ? styled : focused ? focused : first;
}

/* "&Yes" is shown as Yes, "&&" as &. */
static void strip_accelerators(char* text) {
  char* out = text;
  for (; *text; ++text) {
    if (*text == '&' && *++text == '\0') break;
    *out++ = *text;
  }
  *out = '\0';
}

static void answer_dialog(HWND dialog) {
  HWND child, chosen;
  Text labels = {NULL, 0}, buttons = {NULL, 0};
  char *caption, *answer = NULL;
  const char* line;
  int waits;

  /* Until it has painted, a window may still be filling in its controls. */
  for (waits = 0; waits < PAINT_WAITS && GetUpdateRect(dialog, NULL, FALSE); ++waits)
    if (WaitForSingleObject(watch_stop, WATCH_PERIOD_MS) != WAIT_TIMEOUT) return;
  chosen = default_button(dialog);
  caption = window_text(dialog);
  for (child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int button = is_push_button(child);
    char* text = button || is_label(child) ? window_text(child) : NULL;
    if (!text) continue;
    /* As the screen shows it: a label without SS_NOPREFIX turns '&' into an underline too. */
    if (button || !(GetWindowLongPtrA(child, GWL_STYLE) & SS_NOPREFIX)) strip_accelerators(text);
    if (button) {
      if (buttons.length) append(&buttons, " | ", 3);
      append(&buttons, text, strlen(text));
    } else if (*text) {
      append(&labels, text, strlen(text) + 1); /* one after the other, each with its NUL */
    }
    if (button && child == chosen)
      answer = text;
    else
      free(text);
  }

  /* Read first, then print: the lock is never held while waiting for another thread. */
  EnterCriticalSection(&output_lock);
  print_text("dialog", caption);
  for (line = labels.data; line && line < labels.data + labels.length; line += strlen(line) + 1)
    print_text("dialog-text", line);
  print_text("dialog-buttons", buttons.data);
  print_text("dialog-answer", answer);
  ++dialog_count;
  LeaveCriticalSection(&output_lock);

  /* Posted, not sent: the modal loop picks it up, and this thread does not wait for it. */
  if (chosen)
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(chosen), BN_CLICKED), (LPARAM)chosen);
  else
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  free(caption);
  free(answer);
  free(labels.data);
  free(buttons.data);
}

static BOOL CALLBACK find_dialog(HWND hwnd, LPARAM found) {
  DWORD process = 0;
  int k;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
    return TRUE;
  for (k = 0; k < answered_count; ++k)
    if (answered[k] == hwnd) return TRUE;
  if (!has_class(hwnd, "#32770") && !FindWindowExA(hwnd, NULL, "Button", NULL)) return TRUE;
  *(HWND*)found = hwnd;
  return FALSE;
}

static DWORD WINAPI watch_dialogs(LPVOID unused) {
  (void)unused;
  while (WaitForSingleObject(watch_stop, WATCH_PERIOD_MS) == WAIT_TIMEOUT) {
    HWND found = NULL;
    int k, kept = 0;
    /* A window that is gone or hidden again is a new dialog when it shows again. */
    for (k = 0; k < answered_count; ++k)
      if (IsWindow(answered[k]) && IsWindowVisible(answered[k])) answered[kept++] = answered[k];
    answered_count = kept;
    EnumWindows(find_dialog, (LPARAM)&found);
    /* A window that stays up after its answer is answered once, never again. */
    if (found && answered_count < MAX_ANSWERED) {
      answered[answered_count++] = found;
      answer_dialog(found);
    }
  }
  return 0;
}

static HANDLE start_watcher(void) {
  HANDLE thread = NULL;
  /* The window system is set up on this thread first, so that the watcher's first calls never
   * race the module's load (which runs under the loader lock) in setting it up. */
  ReleaseDC(NULL, GetDC(NULL));
  watch_stop = CreateEventA(NULL, TRUE, FALSE, NULL);
  if (watch_stop) thread = CreateThread(NULL, 0, watch_dialogs, NULL, 0, NULL);
  if (!thread) {
    fprintf(stderr, "kvhost: cannot watch for dialogs (error %lu)\n", GetLastError());
    if (watch_stop) CloseHandle(watch_stop);
  }
  return thread;
}

static void stop_watcher(HANDLE thread) {
  SetEvent(watch_stop);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(watch_stop);
}

/* Loads the module, runs the commands from argv[i] on and unloads it. */
static int host_module(const char* path, const char* export_name, int set_file_name, int argc,
                       char** argv, int i) {
  HMODULE module;
  RegisterKvPluginProc register_proc;
  KvPlugin* plugin;
  KvStr kept = NULL;
  int32_t status;
  void* found;
  int result = 0;

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

  while (i < argc && result == 0) result = run_command(module, plugin, argc, argv, &i, &kept);

  status = KvPluginFree(plugin);
  print_line("destroy-status: 0x%08lX\n", (unsigned long)(uint32_t)status);
  if (status != KV_S_OK) {
    print_error("Destroy");
    if (!result) result = EXIT_OPERATION;
  }
  print_line("unload: %s\n", FreeLibrary(module) ? "ok" : "failed");
  if (kept) {
    /* The module is gone; the text lives on in the process heap. */
    print_text("kept-name", KvStrChars(kept));
    print_line("kept-name-refcount: %ld\n", (long)KV_BLOCK_HEADER(kept)->RefCount);
    KvStrRelease(kept);
  }
  return result;
}

int main(int argc, char** argv) {
  const char* export_name = "RegisterKvPlugin";
  int set_file_name = 1, unattended = 0;
  int i = 1, result;
  char path[MAX_PATH];
  HANDLE watcher = NULL;

  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    if (strcmp(argv[i], "--register") == 0 && i + 1 < argc) {
      export_name = argv[++i];
    } else if (strcmp(argv[i], "--no-file-name") == 0) {
      set_file_name = 0;
    } else if (strcmp(argv[i], "--unattended") == 0) {
      unattended = 1;
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
  /* Lives as long as the process. */
  InitializeCriticalSection(&output_lock);

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
  /* From before the load: a module may show a dialog while it starts. */
  if (unattended && !(watcher = start_watcher())) return EXIT_OPERATION;
  result = host_module(path, export_name, set_file_name, argc, argv, i + 1);
  if (watcher) {
    stop_watcher(watcher);
    print_line("dialog-count: %ld\n", dialog_count);
  }
  return result;
}
