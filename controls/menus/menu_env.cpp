#include "controls/menus/menu_env.h"

#include "core/menus/menu_theme_rules.h"
#include "platform/handles.h"

namespace {

int QueryPlatformFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&version)) return 0;
#pragma GCC diagnostic pop
    return PlatformFamily(static_cast<int>(version.dwPlatformId),
                          static_cast<int>(version.dwMajorVersion),
                          static_cast<int>(version.dwMinorVersion));
}

bool QueryHighContrast() {
    HIGHCONTRASTA hc{};
    hc.cbSize = sizeof hc;
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

struct Environment {
    MenuEnvironment env;
    ModuleHandle uxtheme;
    ModuleHandle msimg;

    Environment() {
        env.family = QueryPlatformFamily();
        env.remoteSession = env.family >= 6 && ::GetSystemMetrics(SM_REMOTESESSION) != 0;
        env.compatibilityLayer = HasCompatibilityLayer();
        env.highContrast = QueryHighContrast();

        using IsThemeActiveFn = BOOL(WINAPI*)();
        uxtheme.Reset(::LoadLibraryA("uxtheme.dll"));
        IsThemeActiveFn isThemeActive = nullptr;
        if (uxtheme) {
            isThemeActive = reinterpret_cast<IsThemeActiveFn>(
                reinterpret_cast<void (*)()>(::GetProcAddress(uxtheme.Get(), "IsThemeActive")));
        }
        env.themeActive = [isThemeActive] { return isThemeActive && isThemeActive(); };
        if (env.family != 3) {
            msimg.Reset(::LoadLibraryA("msimg32.dll"));
            if (msimg) {
                env.gradientFill = reinterpret_cast<GradientFillFn>(
                    reinterpret_cast<void (*)()>(::GetProcAddress(msimg.Get(), "GradientFill")));
            }
        }
    }
};

}  // namespace

bool HasCompatibilityLayer() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr;
}

MenuEnvironment& MenuEnv() {
    // Left alive at exit: menus may still be drawn while statics go away.
    static Environment* environment = new Environment();
    return environment->env;
}
