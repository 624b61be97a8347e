// The history-cleaner plug-in interface ("Scourwell.dll").
//
// This header is all a plug-in author needs. It builds with the platform's
// own compiler and with MinGW, and it fixes the 32-bit binary layout that
// Vellumo and every plug-in share:
//   - member functions use __thiscall (object in ECX, callee pops arguments);
//   - one vtable slot per virtual function, in declaration order;
//   - IReportState has exactly two slots: a destructor-shaped slot 0 and
//     Report in slot 1. It declares no C++ virtual destructor because GCC
//     would give that two slots and move Report to slot 2;
//   - bool results come back in AL;
//   - the two exports are __cdecl with undecorated names.
#pragma once

#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define SCOURWELL_THISCALL __thiscall
#define SCOURWELL_CDECL __cdecl
#else
#define SCOURWELL_THISCALL
#define SCOURWELL_CDECL
#endif

// Progress callback handed to IHistoryEraser::Execute. The caller owns it and
// keeps it alive for the whole Execute call; a plug-in never destroys it.
class IReportState {
public:
    // Slot 0: where the platform's compiler puts a virtual destructor (its
    // deleting destructor: one flags argument, bit 0 = free the memory).
    // Only here to keep Report in slot 1; plug-ins do not call it.
    virtual void* SCOURWELL_THISCALL DestructorSlot(unsigned int flags) = 0;
    // Slot 1: a progress report. The meaning of the two values is the
    // plug-in's; the answer is always true (cleaning is never cancelled).
    virtual bool SCOURWELL_THISCALL Report(int first, int second) = 0;

protected:
    IReportState() = default;
    ~IReportState() = default;
    IReportState(const IReportState&) = default;
    IReportState& operator=(const IReportState&) = default;
};

// The cleaner object a plug-in creates. Item numbers are 0..11; 0..8 are the
// items the user can pick (IE visit history, IE cookies, cache files, typed
// URLs, AutoComplete forms, recent documents list, recycle bin, temp folder,
// Office open history), 9..11 are always passed as not selected.
class IHistoryEraser {
public:
    // Slot 0: called once for every item number 0..11, in ascending order,
    // before Execute; `selected` is 1 or 0. The result is ignored.
    virtual int SCOURWELL_THISCALL SelectItem(int item, int selected) = 0;
    // Slot 1: performs the whole clean, then returns. Runs on a worker
    // thread of Vellumo. The result is ignored.
    virtual int SCOURWELL_THISCALL Execute(IReportState* reporter) = 0;

protected:
    IHistoryEraser() = default;
    ~IHistoryEraser() = default;
    IHistoryEraser(const IHistoryEraser&) = default;
    IHistoryEraser& operator=(const IHistoryEraser&) = default;
};

// The two exports, looked up by these names.
#define SCOURWELL_CREATE_EXPORT "CreateScourwellClassInstance"
#define SCOURWELL_DESTROY_EXPORT "DestroyScourwellClassInstance"

extern "C" {
// Returns a new cleaner object, or null.
typedef IHistoryEraser*(SCOURWELL_CDECL* CreateScourwellClassInstanceFn)(void);
// Destroys an object made by the factory. The result is ignored.
typedef int(SCOURWELL_CDECL* DestroyScourwellClassInstanceFn)(IHistoryEraser* eraser);
}

// A plug-in defines SCOURWELL_BUILDING_PLUGIN before including this header
// and implements these two functions.
#if defined(SCOURWELL_BUILDING_PLUGIN)
extern "C" __declspec(dllexport) IHistoryEraser* SCOURWELL_CDECL CreateScourwellClassInstance(void);
extern "C" __declspec(dllexport) int SCOURWELL_CDECL
DestroyScourwellClassInstance(IHistoryEraser* eraser);
#endif
