// Test stand-in for the history-cleaner plug-in. Appends every call it
// receives to Scourwell.log beside itself. Built in several variants:
//   STANDIN_NO_CREATE     lacks CreateScourwellClassInstance
//   STANDIN_NO_DESTROY    lacks DestroyScourwellClassInstance
//   STANDIN_NULL_FACTORY  its factory returns no object
// Execute sleeps SCOURWELL_STANDIN_DELAY_MS milliseconds (environment) when
// set, so tests can catch a clean in the middle.
#define SCOURWELL_BUILDING_PLUGIN
#include "core/tools/history_eraser.h"

#include <windows.h>

#include "standin_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Log(const char* format, int a = 0, int b = 0) {
    char line[256] = {};
    std::snprintf(line, sizeof line, format, a, b);
    AppendStandInLog("Scourwell.log", line);
}

class RecordingEraser final : public IHistoryEraser {
public:
    int SCOURWELL_THISCALL SelectItem(int item, int selected) override {
        Log("select %d %d", item, selected);
        return 1;
    }
    int SCOURWELL_THISCALL Execute(IReportState* reporter) override {
        Log("execute");
        char delay[32] = {};
        if (::GetEnvironmentVariableA("SCOURWELL_STANDIN_DELAY_MS", delay, sizeof delay))
            ::Sleep(static_cast<DWORD>(std::atoi(delay)));
        // Report through slot 1 of the caller's table: the answer must be true.
        const bool answer = reporter->Report(7, 100);
        Log("report %d", answer ? 1 : 0);
        Log("execute done");
        return 1;
    }
};

}  // namespace

#if !defined(STANDIN_NO_CREATE)
extern "C" IHistoryEraser* SCOURWELL_CDECL CreateScourwellClassInstance(void) {
    Log("create");
#if defined(STANDIN_NULL_FACTORY)
    return nullptr;
#else
    return new RecordingEraser();
#endif
}
#endif

#if !defined(STANDIN_NO_DESTROY)
extern "C" int SCOURWELL_CDECL DestroyScourwellClassInstance(IHistoryEraser* eraser) {
    Log("destroy");
    delete static_cast<RecordingEraser*>(eraser);
    return 1;
}
#endif
