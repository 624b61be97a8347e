#include "core/settings/logon_task_rules.h"

#include "core/settings/settings_rules.h"

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// As the system compares paths and account names: letters without regard to case.
bool SameLetters(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}
}  // namespace

AutoRunMechanism AutoRunMechanismFor(unsigned major, unsigned /*minor*/) {
    return major >= 6 ? AutoRunMechanism::LogOnTask : AutoRunMechanism::RunValue;
}

std::string LogOnTaskName(const std::string& sid) {
    return std::string(kAutoRunValueName) + " (" + sid + ")";
}

std::string EarlierLogOnTaskName(const std::string& account) {
    const std::size_t slash = account.rfind('\\');
    return std::string(kAutoRunValueName) + " (" +
           (slash == std::string::npos ? account : account.substr(slash + 1)) + ")";
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string LogOnTaskXml(const std::string& account, const std::string& exePath) {
    const std::string user = XmlEscaped(account);
    // The defaults would stop a program that runs all day: no start on
    // battery, an end when the power cord goes, a three-day limit, and a
    // priority below normal.
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           "  <RegistrationInfo>\n"
           "    <Author>" + user + "</Author>\n"
           "    <Description>Starts Vellumo in the notification area when " + user +
           " logs on.</Description>\n"
           "  </RegistrationInfo>\n"
           "  <Triggers>\n"
           "    <LogonTrigger>\n"
           "      <Enabled>true</Enabled>\n"
           "      <UserId>" + user + "</UserId>\n"
           "    </LogonTrigger>\n"
           "  </Triggers>\n"
           "  <Principals>\n"
           "    <Principal id=\"Author\">\n"
           "      <UserId>" + user + "</UserId>\n"
           "      <LogonType>InteractiveToken</LogonType>\n"
           "      <RunLevel>HighestAvailable</RunLevel>\n"
           "    </Principal>\n"
           "  </Principals>\n"
           "  <Settings>\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
           "    <Priority>5</Priority>\n"
           "    <Enabled>true</Enabled>\n"
           "  </Settings>\n"
           "  <Actions Context=\"Author\">\n"
           "    <Exec>\n"
           "      <Command>" + XmlEscaped("\"" + exePath + "\"") + "</Command>\n"
           "      <Arguments>/background</Arguments>\n"
           "    </Exec>\n"
           "  </Actions>\n"
           "</Task>\n";
}

std::string CommandLineProgram(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

bool SameProgram(const std::string& a, const std::string& b) { return SameLetters(a, b); }

TaskOwner OwnerOfTask(bool exists, const std::string& command, const std::string& exePath) {
    if (!exists) return TaskOwner::None;
    // A program path, quoted or not: blanks belong to it.
    const std::string program =
        !command.empty() && command[0] == '"' ? CommandLineProgram(command) : command;
    if (program.empty()) return TaskOwner::Unknown;
    return SameProgram(program, exePath) ? TaskOwner::ThisProgram : TaskOwner::OtherProgram;
}

bool StartsAtLogOnOf(const TaskFacts& task, const AccountIdentity& who) {
    if (task.command.empty()) return true;
    for (const std::string& user : task.logOnUsers)
        if (user.empty() || (!who.account.empty() && SameLetters(user, who.account)) ||
            (!who.sid.empty() && SameLetters(user, who.sid)))
            return true;
    return false;
}

bool MayRemoveTask(TaskOwner owner) {
    return owner == TaskOwner::ThisProgram || owner == TaskOwner::Unknown;
}

bool RunValueIsThisProgram(const std::string& data, const std::string& exePath) {
    const std::string program = CommandLineProgram(data);
    return !program.empty() && SameProgram(program, exePath);
}
