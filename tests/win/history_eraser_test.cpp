// The plug-in interface's binary layout, checked through the raw tables the
// way a plug-in built by another compiler uses them: slot numbers, ECX for
// the object, the callee removing the arguments, bool in AL.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/tools/dlg_clear_history.h"
#include "core/tools/history_eraser.h"

namespace {

struct RawCall {
    uintptr_t eax;          // what came back
    int stackLeftBehind;  // bytes the callee left on the stack (0 for __thiscall)
};

void* Slot(void* object, int index) { return (*static_cast<void***>(object))[index]; }

// Calls `fn` with the object in ECX and `count` (1 or 2) 32-bit arguments
// pushed right to left, as the platform's compiler does for __thiscall.
// On x64 there is one convention (object in RCX, caller cleans up): only the
// slot order and the results are checked there.
RawCall CallThiscall(void* fn, void* object, int count, uintptr_t a, uintptr_t b = 0) {
#if defined(__x86_64__)
    if (count == 2) {
        using Two = uintptr_t (*)(void*, uintptr_t, uintptr_t);
        return {reinterpret_cast<Two>(fn)(object, a, b), 0};
    }
    using One = uintptr_t (*)(void*, uintptr_t);
    return {reinterpret_cast<One>(fn)(object, a), 0};
#else
    unsigned before = 0, after = 0, eax = 0;
    unsigned ecx = reinterpret_cast<uintptr_t>(object);
    unsigned first = static_cast<unsigned>(a), second = static_cast<unsigned>(b);
    if (count == 2) {
        __asm__ volatile(
            "movl %%esp, %%edi\n\t"
            "pushl %%eax\n\t"  // second argument
            "pushl %%edx\n\t"  // first argument
            "call *%%ebx\n\t"
            "movl %%esp, %%esi\n\t"
            "movl %%edi, %%esp\n\t"
            : "=a"(eax), "=S"(after), "=D"(before), "+c"(ecx), "+d"(first)
            : "a"(second), "b"(fn)
            : "memory", "cc");
    } else {
        __asm__ volatile(
            "movl %%esp, %%edi\n\t"
            "pushl %%edx\n\t"
            "call *%%ebx\n\t"
            "movl %%esp, %%esi\n\t"
            "movl %%edi, %%esp\n\t"
            : "=a"(eax), "=S"(after), "=D"(before), "+c"(ecx), "+d"(first)
            : "b"(fn)
            : "memory", "cc");
    }
    return {eax, static_cast<int>(after) - static_cast<int>(before)};
#endif
}

class Eraser final : public IHistoryEraser {
public:
    int SCOURWELL_THISCALL SelectItem(int item, int selected) override {
        lastItem = item;
        lastSelected = selected;
        return 11;
    }
    int SCOURWELL_THISCALL Execute(IReportState* reporter) override {
        this->reporter = reporter;
        return 22;
    }
    int lastItem = -1, lastSelected = -1;
    IReportState* reporter = nullptr;
};

}  // namespace

TEST(PluginInterface, ReportStateHasTwoSlotsWithReportSecond) {
    CReportState state;
    EXPECT_EQ(sizeof state, sizeof(void*));  // the table pointer and no data

    // Slot 1 is Report: callee pops both arguments, true comes back in AL.
    const RawCall report = CallThiscall(Slot(&state, 1), &state, 2, 7, 100);
    EXPECT_EQ(report.stackLeftBehind, 0);
    EXPECT_EQ(report.eax & 0xFF, 1u);

    // Slot 0 is shaped like the platform's deleting destructor: one flags
    // argument, popped by the callee; it frees nothing (the caller owns it).
    const RawCall destructor = CallThiscall(Slot(&state, 0), &state, 1, 0);
    EXPECT_EQ(destructor.stackLeftBehind, 0);
    EXPECT_EQ(destructor.eax, reinterpret_cast<uintptr_t>(&state));
}

TEST(PluginInterface, EraserSlotsAreSelectItemThenExecuteWithCalleeCleanup) {
    Eraser eraser;
    const RawCall select = CallThiscall(Slot(&eraser, 0), &eraser, 2, 5, 1);
    EXPECT_EQ(select.stackLeftBehind, 0);
    EXPECT_EQ(select.eax, 11u);
    EXPECT_EQ(eraser.lastItem, 5);
    EXPECT_EQ(eraser.lastSelected, 1);

    CReportState state;
    const RawCall execute = CallThiscall(Slot(&eraser, 1), &eraser, 1,
                                         reinterpret_cast<uintptr_t>(static_cast<IReportState*>(&state)));
    EXPECT_EQ(execute.stackLeftBehind, 0);
    EXPECT_EQ(execute.eax, 22u);
    EXPECT_EQ(eraser.reporter, &state);
}
