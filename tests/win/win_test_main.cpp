// Entry point of the in-process window tests (run under Wine on a display).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/instance/app_state.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    AppState::Get();  // the display lock, as the program makes it before any window
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
