// Rules of the start at log-on, with no platform access. Windows Vista and
// later do not start a program that asks for elevation from the Run key, so
// there the start at log-on is a Task Scheduler task of the user: started at
// that user's log-on with the highest privileges, running the same command
// line the Run value holds on earlier Windows.
#pragma once

#include <string>
#include <vector>

// Which mechanism keeps the start at log-on on a Windows version.
enum class AutoRunMechanism { RunValue, LogOnTask };
AutoRunMechanism AutoRunMechanismFor(unsigned major, unsigned minor);  // 6.0 (Vista) on: the task

// The task of one account, named by the account's SID text (a name holds no
// backslash, and no two accounts share a SID): "Vellumo (S-1-5-21-...)".
// Tasks of the root folder are the machine's, so the name carries the user.
std::string LogOnTaskName(const std::string& sid);
// The name earlier versions gave it, from "DOMAIN\user" or "user": the user
// part alone, "Vellumo (user)", which two accounts of one user name share.
std::string EarlierLogOnTaskName(const std::string& account);

// The task's definition in the Task Scheduler's XML: a log-on trigger for
// `account`, run as that account with the highest privileges, at normal
// priority, on battery too and with no time limit, running the quoted
// `exePath` with "/background".
std::string LogOnTaskXml(const std::string& account, const std::string& exePath);

// Text with &, <, > and " written as XML entities.
std::string XmlEscaped(const std::string& text);

// The program of a command line: the quoted text when it starts with a
// quote (to the closing one or the end), else the text up to the first blank.
std::string CommandLineProgram(const std::string& commandLine);

// Two program paths name the same file (letters compared without regard to
// case, as the file system does).
bool SameProgram(const std::string& a, const std::string& b);

// Whose a log-on task is, from the program its action runs (`command`, the
// action's path as stored: quoted or not; empty when the task has no program
// action that could be read).
enum class TaskOwner { None, ThisProgram, OtherProgram, Unknown };
TaskOwner OwnerOfTask(bool exists, const std::string& command, const std::string& exePath);

// What the Task Scheduler tells of a task, for the rules below.
struct TaskFacts {
    bool exists = false;
    std::string command;  // its program action's path as stored, "" when none was told
    // The users of its enabled log-on triggers, "" for a trigger of anyone's.
    std::vector<std::string> logOnUsers;
};

// The account asking: "DOMAIN\user" and its SID text.
struct AccountIdentity {
    std::string account, sid;
};

// The task starts at `who`'s log-on: one of its log-on triggers names the
// account (by name or SID, letters without regard to case) or anyone. A
// service that keeps no program of a task (Wine's) keeps no trigger either:
// such a task cannot be told from another account's and counts as `who`'s.
bool StartsAtLogOnOf(const TaskFacts& task, const AccountIdentity& who);

// Removing the start at log-on leaves another program's task alone: only a
// task of this program, or one that runs no program that can be told, goes.
bool MayRemoveTask(TaskOwner owner);

// A Run value (as an earlier version wrote it) that starts this program.
bool RunValueIsThisProgram(const std::string& data, const std::string& exePath);
