// The application object: single instance, hand-over of a second start,
// and the panel's modal run.
#pragma once

#include "platform/win_app.h"

class CVellumoApp : public CWinApp {
public:
    CVellumoApp() = default;
    ~CVellumoApp() override = default;

    BOOL InitInstance() override;
    int ExitInstance() override;
};
