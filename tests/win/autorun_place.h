// Where the settings store keeps the start at log-on, changed for one test:
// the Run value, as on Windows 2000 and XP, or a task folder of the Task
// Scheduler's other than the root. Put back when it goes.
#pragma once

#include <optional>
#include <string>

#include "app/settings/settings_store.h"

class AutoRunPlaceOverride {
public:
    explicit AutoRunPlaceOverride(std::optional<AutoRunMechanism> mechanism,
                                  const std::string& taskFolder = "\\")
        : saved_(AutoRunTestPlace()) {
        AutoRunTestPlace().mechanism = mechanism;
        AutoRunTestPlace().taskFolder = taskFolder;
    }
    ~AutoRunPlaceOverride() { AutoRunTestPlace() = saved_; }
    AutoRunPlaceOverride(const AutoRunPlaceOverride&) = delete;
    AutoRunPlaceOverride& operator=(const AutoRunPlaceOverride&) = delete;

private:
    AutoRunPlace saved_;
};

// As Windows 2000 and XP do it.
struct AsOnWindowsXp : AutoRunPlaceOverride {
    AsOnWindowsXp() : AutoRunPlaceOverride(AutoRunMechanism::RunValue) {}
};
