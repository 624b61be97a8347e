#include "core/tools/install_dir.h"

std::vector<std::string> InstallDirCandidates(const std::string& exePath,
                                              const std::string& fileName,
                                              std::size_t bufferSize) {
    std::vector<std::string> candidates;
    std::string path = exePath;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string::npos) break;
        path.erase(cut);
        if (path.size() + 1 + fileName.size() >= bufferSize) continue;
        candidates.push_back(path + "\\" + fileName);
    }
    return candidates;
}

std::string NotFoundMessage(const std::string& fileName) {
    return "Can not find file  \"" + fileName + "\" in installation directory";
}

std::array<TrayMenuItem, 3> TrayMenuItems(bool windowVisible) {
    const TrayMenuItem show{"Show", kTrayCommandShow};
    const TrayMenuItem hide{"Hide", kTrayCommandHide};
    const TrayMenuItem exit{"Exit", kTrayCommandExit};
    if (windowVisible) return {hide, show, exit};
    return {show, hide, exit};
}

unsigned TrayDoubleClickCommand(bool windowVisible) {
    return TrayMenuItems(windowVisible)[0].command;
}
