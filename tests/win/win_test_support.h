// Helpers shared by the window-level tests (the ones the end-to-end tests
// share too live in tests/support).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/handles.h"
#include "tests/support/message_boxes.h"
#include "tests/support/modal_driver.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/test_files.h"
#include "tests/support/test_handles.h"

// Dispatches pending messages of this thread.
void PumpMessages();
// Pumps messages until `done` is true or `timeoutMs` passes; returns `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// A plain top-level window to parent controls under test.
HWND CreateTestParent(int width = 300, int height = 200);
// Reads one pixel of what `wnd` paints into a memory DC (WM_PRINTCLIENT is
// not used: the window's own WM_PAINT path draws into a captured copy).
COLORREF PixelOfWindow(HWND wnd, int x, int y);
// Live GDI objects of this process. GetGuiResources is a stub under Wine, so
// this walks the process's GDI handle table (the PEB names it; each entry is
// 24 bytes with the object type in byte 14, 0 for a free entry).
int CountGdiObjects();

class CSkinButton;
// The button's tip window, as the first mouse move over it makes it.
HWND TipWindowAfterHover(CSkinButton& button);

// tests/support/MemoSaver.exe run as a second process (see its usage); the
// process is killed when the object goes.
//   MemoSaverProcess("hold", file[, "ms"]): holds the file open exclusively
//   (for ms, else until killed); "save", program dir: saves memos in turn.
class MemoSaverProcess {
public:
    MemoSaverProcess(const std::string& mode, const std::string& argument,
                     const std::string& extra = "");
    ~MemoSaverProcess() { Kill(); }
    MemoSaverProcess(const MemoSaverProcess&) = delete;
    MemoSaverProcess& operator=(const MemoSaverProcess&) = delete;
    // True once it has signalled that it is ready (holds the file, or saved once).
    bool WaitReady();
    void Kill();

private:
    KernelHandle ready_;
    KernelHandle process_;
};

// While one exists, counts DeleteObject calls made by this program's own code
// on a bitmap still selected into a memory DC. Windows refuses such a delete
// and the bitmap leaks; Wine defers it, so a GDI count alone cannot see it.
class SelectedBitmapDeleteWatch {
public:
    SelectedBitmapDeleteWatch();
    ~SelectedBitmapDeleteWatch();
    SelectedBitmapDeleteWatch(const SelectedBitmapDeleteWatch&) = delete;
    SelectedBitmapDeleteWatch& operator=(const SelectedBitmapDeleteWatch&) = delete;
    bool Hooked() const;  // the program's import table could be patched
    int Count() const;
};

// Replaces an edit's text keystroke by keystroke, as a user would.
void TypeInto(HWND edit, const std::string& text);
