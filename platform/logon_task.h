// Scheduled tasks through the Task Scheduler 2.0 interface (ITaskService):
// register one from its XML definition, read which program it runs, delete
// it. Each call connects to the local service and lets it go again; COM is
// set up for the call unless the thread has it already.
#pragma once

#include <string>
#include <vector>

// A task as read back. `answered`: the service told whether the task is
// there. `command` and `arguments` are those of its first program action,
// empty when it has none the service would tell; `logOnUsers` the users of
// its enabled log-on triggers ("" for a trigger of anyone's log-on).
struct ScheduledTask {
    bool answered = false;
    bool exists = false;
    std::string command, arguments;
    std::vector<std::string> logOnUsers;
};

// Registers (creates or replaces) the task `name` in `folder` ("\\" is the
// root) from `xml`, to run as `account` with its interactive log-on. False
// when the service, the folder or the definition was refused.
bool RegisterScheduledTask(const std::string& folder, const std::string& name,
                           const std::string& xml, const std::string& account);

// The task; exists == false when there is none or it cannot be read.
ScheduledTask ReadScheduledTask(const std::string& folder, const std::string& name);

// True when the task is gone afterwards (deleted now, or there was none).
bool DeleteScheduledTask(const std::string& folder, const std::string& name);

// The account this process runs as, "DOMAIN\user"; empty when unknown.
std::string CurrentUserAccount();
// Its SID as text ("S-1-5-21-..."); empty when unknown.
std::string CurrentUserSid();
