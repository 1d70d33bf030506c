/* The UI driver of the Wine suite.
 *
 *   uidriver.exe SCRIPT TRANSCRIPT
 *
 * Starts the command line of the script's first line ("run <command line>",
 * given to CreateProcessA unchanged, quotes and all), then plays the
 * script's steps against the windows of that process, one step a line:
 *
 *   box <Yes|No|OK>               wait for the next message box, record it, press the button
 *   main <Install|Cancel|Help> [path]
 *                                 wait for the main dialog, record it, type the path
 *                                 into the destination field when given, press the button
 *   progress                      wait for the progress dialog and record it
 *   holdcancel                    wait for the progress dialog and hold the left mouse
 *                                 button down on its Cancel button (released by the next box)
 *   wait <main|progress|box>      wait until such a window is on screen (e.g. before a shot)
 *   placement <main|progress>     record where the dialog is and the size of its client area
 *   aside                         move the open message box to the lower left corner,
 *                                 so that a screenshot shows the dialog behind it
 *   shot <name>                   ask the shell script for a screenshot and wait for it
 *   pause <milliseconds>          let the program work on for a while (e.g. before a shot)
 *   timeout <seconds>             how long each later wait may take (default 60)
 *
 * Each recorded window becomes one transcript line, fields separated by '|',
 * carriage return and line feed written as \r and \n:
 *
 *   box|<caption>|<text>|<button>
 *   main|<caption>|<introduction>|<destination>|<button>
 *   progress|<caption>
 *   placement|<kind>|<left>|<top>|<client width>|<client height>
 *   exit|<exit code of the program>
 *
 * After the last step the driver waits for the program to end; a dialog or
 * message box that stays on screen meanwhile is recorded as
 * "unexpected|<caption>|<text>" and the program is ended. The driver's own exit code is the program's, or
 * 100 and more when the driver could not play the script ("error|..." lines).
 *
 * Screenshots: with the environment variable E2E_SHOT_DIR set, "shot NAME"
 * creates NAME.req in that directory and waits until the shell script has
 * taken the picture and deleted the file.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/resources.h"  /* the stub's item numbers */

#define BOX_TEXT 0xFFFF

static FILE *transcript;
static DWORD child_id;
static HANDLE child;
static DWORD wait_ms = 60000;
static int mouse_held;

enum kind { KIND_NONE, KIND_BOX, KIND_MAIN, KIND_PROGRESS };

static void write_field(const char *text) {
    for (; *text; ++text) {
        if (*text == '\r') fputs("\\r", transcript);
        else if (*text == '\n') fputs("\\n", transcript);
        else fputc(*text, transcript);
    }
}

static void window_text(HWND window, char *buffer, int size) {
    DWORD_PTR length = 0;
    buffer[0] = '\0';
    if (!SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)size, (LPARAM)buffer, SMTO_BLOCK, 5000,
                             &length))
        buffer[0] = '\0';
    buffer[size - 1] = '\0';
}

static void item_text(HWND dialog, int item, char *buffer, int size) {
    HWND control = GetDlgItem(dialog, item);
    buffer[0] = '\0';
    if (control) window_text(control, buffer, size);
}

static enum kind classify(HWND window) {
    char cls[64];
    if (!GetClassNameA(window, cls, sizeof cls) || strcmp(cls, "#32770") != 0) return KIND_NONE;
    if (GetDlgItem(window, DESTINATION_ITEM) && GetDlgItem(window, INSTALL_BUTTON)) return KIND_MAIN;
    if (GetDlgItem(window, PROGRESS_FRAME_ITEM)) return KIND_PROGRESS;
    if (GetDlgItem(window, BOX_TEXT)) return KIND_BOX;
    return KIND_NONE;
}

struct search {
    enum kind wanted;
    HWND found;
};

static BOOL CALLBACK look_at(HWND window, LPARAM param) {
    struct search *search = (struct search *)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != child_id || !IsWindowVisible(window)) return TRUE;
    if (classify(window) == search->wanted) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND find_window(enum kind wanted) {
    struct search search = {wanted, NULL};
    EnumWindows(look_at, (LPARAM)&search);
    return search.found;
}

static int child_running(void) { return WaitForSingleObject(child, 0) == WAIT_TIMEOUT; }

static void fail(const char *what, const char *detail) {
    fputs("error|", transcript);
    write_field(what);
    fputc('|', transcript);
    write_field(detail ? detail : "");
    fputc('\n', transcript);
}

/* Waits until a window of the wanted kind is visible; NULL when the program
 * ended or the time ran out (both recorded). */
static HWND wait_for(enum kind wanted, const char *name) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = find_window(wanted);
        if (window) return window;
        if (!child_running()) {
            fail("program ended while waiting for", name);
            return NULL;
        }
        if (GetTickCount() - start > wait_ms) {
            fail("timed out waiting for", name);
            return NULL;
        }
        Sleep(20);
    }
}

static void wait_gone(HWND window) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < wait_ms)
        Sleep(20);
}

static void release_mouse(void) {
    if (!mouse_held) return;
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    mouse_held = 0;
}

static void press(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

static int button_id(const char *name) {
    if (_stricmp(name, "Yes") == 0) return IDYES;
    if (_stricmp(name, "No") == 0) return IDNO;
    if (_stricmp(name, "OK") == 0) return IDOK;
    if (_stricmp(name, "Cancel") == 0) return IDCANCEL;
    if (_stricmp(name, "Install") == 0) return INSTALL_BUTTON;
    if (_stricmp(name, "Help") == 0) return IDHELP;
    return 0;
}

static int step_box(const char *button) {
    char caption[256], text[4096];
    HWND box = wait_for(KIND_BOX, "box");
    int id = button_id(button);
    if (!box) return 0;
    Sleep(100); /* let the box finish drawing before it is read and answered */
    release_mouse();
    window_text(box, caption, sizeof caption);
    item_text(box, BOX_TEXT, text, sizeof text);
    fputs("box|", transcript);
    write_field(caption);
    fputc('|', transcript);
    write_field(text);
    fprintf(transcript, "|%s\n", button);
    fflush(transcript);
    if (!id || !GetDlgItem(box, id)) {
        fail("the box has no button", button);
        return 0;
    }
    press(box, id);
    wait_gone(box);
    return 1;
}

static int step_main(const char *button, const char *path) {
    char caption[256], intro[1024], destination[1024];
    HWND dialog = wait_for(KIND_MAIN, "main dialog");
    int id = button_id(button);
    if (!dialog) return 0;
    Sleep(100);
    if (path && *path) {
        DWORD_PTR unused;
        SendMessageTimeoutA(GetDlgItem(dialog, DESTINATION_ITEM), WM_SETTEXT, 0, (LPARAM)path,
                            SMTO_BLOCK, 5000, &unused);
    }
    window_text(dialog, caption, sizeof caption);
    item_text(dialog, INTRO_ITEM, intro, sizeof intro);
    item_text(dialog, DESTINATION_ITEM, destination, sizeof destination);
    fputs("main|", transcript);
    write_field(caption);
    fputc('|', transcript);
    write_field(intro);
    fputc('|', transcript);
    write_field(destination);
    fprintf(transcript, "|%s\n", button);
    fflush(transcript);
    if (!id) {
        fail("unknown button", button);
        return 0;
    }
    press(dialog, id);
    return 1;
}

static int step_progress(int hold_cancel) {
    char caption[256];
    HWND dialog = wait_for(KIND_PROGRESS, "progress dialog");
    if (!dialog) return 0;
    if (hold_cancel) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, IDCANCEL), &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        mouse_held = 1;
    }
    window_text(dialog, caption, sizeof caption);
    fputs("progress|", transcript);
    write_field(caption);
    fputc('\n', transcript);
    fflush(transcript);
    return 1;
}

static int step_placement(const char *name) {
    enum kind kind = strcmp(name, "progress") == 0 ? KIND_PROGRESS : KIND_MAIN;
    HWND dialog = wait_for(kind, name);
    RECT window, client;
    if (!dialog) return 0;
    Sleep(100);
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    fprintf(transcript, "placement|%s|%ld|%ld|%ld|%ld\n", name, (long)window.left,
            (long)window.top, (long)client.right, (long)client.bottom);
    fflush(transcript);
    return 1;
}

static int step_shot(const char *name) {
    char path[MAX_PATH];
    const char *dir = getenv("E2E_SHOT_DIR");
    DWORD start = GetTickCount();
    FILE *request;
    if (!dir || !*dir) return 1; /* no screenshots wanted */
    Sleep(300); /* let the windows on screen finish painting */
    _snprintf(path, sizeof path, "%s\\%s.req", dir, name);
    path[sizeof path - 1] = '\0';
    request = fopen(path, "w");
    if (!request) {
        fail("cannot request screenshot", path);
        return 0;
    }
    fclose(request);
    while (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) {
            fail("screenshot not taken", name);
            DeleteFileA(path);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

static void strip_line(char *line) {
    size_t n = strlen(line);
    while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
}

static int play(FILE *script) {
    char line[4096];
    while (fgets(line, sizeof line, script)) {
        char *word = line, *rest;
        strip_line(line);
        if (!*line || *line == '#') continue;
        rest = strchr(line, ' ');
        if (rest) *rest++ = '\0';
        else rest = line + strlen(line);
        if (strcmp(word, "box") == 0) {
            if (!step_box(rest)) return 0;
        } else if (strcmp(word, "main") == 0) {
            char *path = strchr(rest, ' ');
            if (path) *path++ = '\0';
            if (!step_main(rest, path)) return 0;
        } else if (strcmp(word, "progress") == 0) {
            if (!step_progress(0)) return 0;
        } else if (strcmp(word, "holdcancel") == 0) {
            if (!step_progress(1)) return 0;
        } else if (strcmp(word, "wait") == 0) {
            enum kind kind = strcmp(rest, "main") == 0       ? KIND_MAIN
                             : strcmp(rest, "progress") == 0 ? KIND_PROGRESS
                                                             : KIND_BOX;
            if (!wait_for(kind, rest)) return 0;
        } else if (strcmp(word, "placement") == 0) {
            if (!step_placement(rest)) return 0;
        } else if (strcmp(word, "aside") == 0) {
            HWND box = wait_for(KIND_BOX, "box");
            if (!box) return 0;
            SetWindowPos(box, NULL, 8, 520, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (strcmp(word, "shot") == 0) {
            if (!step_shot(rest)) return 0;
        } else if (strcmp(word, "pause") == 0) {
            Sleep((DWORD)atoi(rest));
        } else if (strcmp(word, "timeout") == 0) {
            wait_ms = (DWORD)atoi(rest) * 1000;
        } else {
            fail("unknown step", word);
            return 0;
        }
    }
    return 1;
}

/* After the script: the program must end by itself without showing more.
 * A window counts as shown when it stays on screen for two seconds; one
 * that is only closing (the dialog a last answer ended) does not. */
static int wait_for_end(void) {
    DWORD start = GetTickCount();
    HWND seen = NULL;
    DWORD seen_since = 0;
    while (child_running()) {
        HWND window = find_window(KIND_BOX);
        if (!window) window = find_window(KIND_MAIN);
        if (!window) window = find_window(KIND_PROGRESS);
        if (window != seen) {
            seen = window;
            seen_since = GetTickCount();
        } else if (window && GetTickCount() - seen_since > 2000) {
            char caption[256], text[4096];
            window_text(window, caption, sizeof caption);
            item_text(window, BOX_TEXT, text, sizeof text);
            fputs("unexpected|", transcript);
            write_field(caption);
            fputc('|', transcript);
            write_field(text);
            fputc('\n', transcript);
            return 0;
        }
        if (GetTickCount() - start > wait_ms) {
            fail("timed out waiting for the program to end", "");
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

int main(int argc, char **argv) {
    char line[4096];
    FILE *script;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD code = 0;
    int played;

    if (argc != 3) {
        fprintf(stderr, "usage: uidriver SCRIPT TRANSCRIPT\n");
        return 100;
    }
    script = fopen(argv[1], "r");
    transcript = fopen(argv[2], "wb");
    if (!script || !transcript) {
        fprintf(stderr, "uidriver: cannot open %s or %s\n", argv[1], argv[2]);
        return 101;
    }
    if (!fgets(line, sizeof line, script) || strncmp(line, "run ", 4) != 0) {
        fail("the script must begin with", "run <command line>");
        fclose(transcript);
        return 102;
    }
    strip_line(line);

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, line + 4, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fail("cannot start", line + 4);
        fclose(transcript);
        return 103;
    }
    CloseHandle(process.hThread);
    child = process.hProcess;
    child_id = process.dwProcessId;

    played = play(script) && wait_for_end();
    release_mouse();
    if (!played) {
        TerminateProcess(child, 199);
        WaitForSingleObject(child, 5000);
        fclose(transcript);
        return 104;
    }
    GetExitCodeProcess(child, &code);
    fprintf(transcript, "exit|%lu\n", (unsigned long)code);
    fclose(transcript);
    return (int)code;
}
