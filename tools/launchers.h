// Starting the companion programs and pages from the panel.
#pragma once

// Starts "Sandrel.exe auto" (found by the platform's search, beginning with
// the program's own directory) without waiting. Failures are ignored.
bool RunBackupAuto();
