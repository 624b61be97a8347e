// Tressle: Vellumo's product-information library. DLLFunction shows the
// information box and returns when it has been closed.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl DLLFunction(int kind) {
    if (kind != 1) return 0;  // 1 is the only box there is
    ::MessageBoxA(nullptr,
                  "Vellumo\r\n\r\n"
                  "Desktop calendar, memo keeper and reminder.\r\n"
                  "Memos are kept in the Remark and Notice folders beside the program.\r\n\r\n"
                  "Brakkon Software",
                  "About Vellumo", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return 1;
}
