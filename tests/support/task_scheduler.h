// The Task Scheduler as the tests read it, through its own interface and
// apart from the program's code: a task's XML as the service gives it back.
#pragma once

#include <string>
#include <utility>
#include <vector>

// This account's log-on task of Vellumo: "Vellumo (<the account's SID>)".
std::string ThisUsersTaskName();
// The name earlier versions gave it: "Vellumo (<user name>)".
std::string EarlierTaskName();
// "DOMAIN\user" of this process.
std::string ThisAccount();

// ITaskFolder::GetTask and IRegisteredTask::get_Xml; "" when there is no
// such task.
std::string TaskXml(const std::string& name, const std::string& folder = "\\");
bool TaskExists(const std::string& name, const std::string& folder = "\\");
void DeleteTask(const std::string& name, const std::string& folder = "\\");
// Registers a log-on task of this user that runs `command` (a quoted path).
bool RegisterTaskRunning(const std::string& name, const std::string& command);

// Whether the service keeps what a definition asks for (Windows does). Wine 8
// keeps a task's registration data and settings but drops its triggers, its
// principal and its action's program: there a task cannot be told by what it
// runs.
bool SchedulerKeepsDefinitions();

// The text of the first <inner> inside the first <outer> of `xml`, entities
// decoded; "<none>" when there is none.
std::string XmlText(const std::string& xml, const std::string& outer, const std::string& inner);

// This user's Vellumo tasks (of both names) as they were, put back when it
// goes (deleted when there was none); the test starts without them.
class SavedTask {
public:
    SavedTask();
    ~SavedTask();
    SavedTask(const SavedTask&) = delete;
    SavedTask& operator=(const SavedTask&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> saved_;  // name, XML
};
