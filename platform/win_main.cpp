// Entry point of a program built on this layer: hands over to the one
// global application object.
#include "platform/win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    CWinApp* app = CWinApp::Current();
    return app ? app->Run(instance, commandLine) : 1;
}
