#include "core/settings/logon_task_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "core/settings/settings_rules.h"

namespace {
// The text of the first <inner> element inside the first <outer> element.
std::string Within(const std::string& xml, const std::string& outer, const std::string& inner) {
    const std::size_t from = xml.find("<" + outer);
    const std::size_t to = xml.find("</" + outer + ">", from);
    if (from == std::string::npos || to == std::string::npos) return "<no " + outer + ">";
    const std::string part = xml.substr(from, to - from);
    const std::size_t open = part.find("<" + inner + ">");
    const std::size_t close = part.find("</" + inner + ">", open);
    if (open == std::string::npos || close == std::string::npos) return "<no " + inner + ">";
    return part.substr(open + inner.size() + 2, close - open - inner.size() - 2);
}

std::string Unescaped(std::string text) {
    for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                    {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, entity.size(), c);
    }
    return text;
}
}  // namespace

TEST(LogOnTaskRules, VistaAndLaterKeepTheStartAtLogOnAsATask) {
    EXPECT_EQ(AutoRunMechanismFor(5, 0), AutoRunMechanism::RunValue);  // 2000
    EXPECT_EQ(AutoRunMechanismFor(5, 1), AutoRunMechanism::RunValue);  // XP
    EXPECT_EQ(AutoRunMechanismFor(5, 2), AutoRunMechanism::RunValue);  // XP x64, Server 2003
    EXPECT_EQ(AutoRunMechanismFor(6, 0), AutoRunMechanism::LogOnTask);  // Vista
    EXPECT_EQ(AutoRunMechanismFor(6, 2), AutoRunMechanism::LogOnTask);
    EXPECT_EQ(AutoRunMechanismFor(10, 0), AutoRunMechanism::LogOnTask);

    // One task per account in the machine's root folder, by its SID: the
    // user name alone, as earlier versions named it, two accounts can share.
    EXPECT_EQ(LogOnTaskName("S-1-5-21-7-8-9-1001"), "Vellumo (S-1-5-21-7-8-9-1001)");
    EXPECT_EQ(EarlierLogOnTaskName("OFFICE\\ann"), "Vellumo (ann)");
    EXPECT_EQ(EarlierLogOnTaskName("ann"), "Vellumo (ann)");
}

TEST(LogOnTaskRules, ATaskStartsAtTheLogOnOfTheAccountItsTriggerNames) {
    const AccountIdentity ann{"OFFICE\\ann", "S-1-5-21-7-8-9-1001"};
    const std::string exe = "\"C:\\Vellumo\\Vellumo.exe\"";
    EXPECT_TRUE(StartsAtLogOnOf(TaskFacts{true, exe, {"office\\ANN"}}, ann));
    EXPECT_TRUE(StartsAtLogOnOf(TaskFacts{true, exe, {"PC\\bob", "s-1-5-21-7-8-9-1001"}}, ann));
    EXPECT_TRUE(StartsAtLogOnOf(TaskFacts{true, exe, {""}}, ann)) << "anyone's log-on";
    // The same user name in another domain, or no log-on trigger at all.
    EXPECT_FALSE(StartsAtLogOnOf(TaskFacts{true, exe, {"PC\\ann"}}, ann));
    EXPECT_FALSE(StartsAtLogOnOf(TaskFacts{true, exe, {}}, ann));
    // A service that keeps no program keeps no trigger: it cannot be told.
    EXPECT_TRUE(StartsAtLogOnOf(TaskFacts{true, "", {}}, ann));
}

TEST(LogOnTaskRules, TheTaskStartsThisProgramHiddenAtTheUsersLogOnWithHighestPrivileges) {
    // '&' is allowed in user names and paths; the XML must carry it escaped.
    const std::string account = "PC\\Tom & Jerry", exe = "C:\\R&D Tools\\\"Cal\"\\Vellumo.exe";
    const std::string xml = LogOnTaskXml(account, exe);
    EXPECT_EQ(xml.find("Tom & "), std::string::npos) << "unescaped &";

    EXPECT_EQ(Unescaped(Within(xml, "LogonTrigger", "UserId")), account);
    EXPECT_EQ(Within(xml, "LogonTrigger", "Enabled"), "true");
    EXPECT_EQ(Unescaped(Within(xml, "Principal", "UserId")), account);
    EXPECT_EQ(Within(xml, "Principal", "LogonType"), "InteractiveToken");
    EXPECT_EQ(Within(xml, "Principal", "RunLevel"), "HighestAvailable");
    // The same command line the Run value holds on earlier Windows.
    const std::string command = Unescaped(Within(xml, "Exec", "Command"));
    EXPECT_EQ(command + " " + Within(xml, "Exec", "Arguments"), AutoRunData(exe));

    // A program that runs all day: no time limit, started and kept on
    // battery, at normal priority (4..6), enabled.
    EXPECT_EQ(Within(xml, "Settings", "ExecutionTimeLimit"), "PT0S");
    EXPECT_EQ(Within(xml, "Settings", "DisallowStartIfOnBatteries"), "false");
    EXPECT_EQ(Within(xml, "Settings", "StopIfGoingOnBatteries"), "false");
    EXPECT_EQ(Within(xml, "Settings", "Priority"), "5");
    EXPECT_EQ(Within(xml, "Settings", "Enabled"), "true");
    // The actions run as the principal that carries the run level.
    EXPECT_NE(xml.find("<Principal id=\"Author\">"), std::string::npos);
    EXPECT_NE(xml.find("<Actions Context=\"Author\">"), std::string::npos);
}

TEST(LogOnTaskRules, WhoseTaskAndWhoseRunValue) {
    const std::string exe = "C:\\Program Files\\Vellumo\\Vellumo.exe";
    EXPECT_EQ(OwnerOfTask(false, "\"" + exe + "\"", exe), TaskOwner::None);
    EXPECT_EQ(OwnerOfTask(true, "\"" + exe + "\"", exe), TaskOwner::ThisProgram);
    EXPECT_EQ(OwnerOfTask(true, exe, exe), TaskOwner::ThisProgram) << "a path unquoted, as typed";
    EXPECT_EQ(OwnerOfTask(true, "\"c:\\program files\\VELLUMO\\vellumo.EXE\"", exe),
              TaskOwner::ThisProgram);
    EXPECT_EQ(OwnerOfTask(true, "C:\\Tools\\Vellumo.exe", "c:\\tools\\vellumo.exe"),
              TaskOwner::ThisProgram);
    EXPECT_EQ(OwnerOfTask(true, "\"D:\\Vellumo\\Vellumo.exe\"", exe), TaskOwner::OtherProgram);
    EXPECT_EQ(OwnerOfTask(true, "\"" + exe + ".old\"", exe), TaskOwner::OtherProgram);
    // A task whose action the service does not tell.
    EXPECT_EQ(OwnerOfTask(true, "", exe), TaskOwner::Unknown);
    EXPECT_EQ(OwnerOfTask(true, "\"\"", exe), TaskOwner::Unknown);

    EXPECT_TRUE(MayRemoveTask(TaskOwner::ThisProgram));
    EXPECT_TRUE(MayRemoveTask(TaskOwner::Unknown));
    EXPECT_FALSE(MayRemoveTask(TaskOwner::OtherProgram));
    EXPECT_FALSE(MayRemoveTask(TaskOwner::None));

    EXPECT_TRUE(RunValueIsThisProgram(AutoRunData(exe), exe));
    EXPECT_TRUE(RunValueIsThisProgram("\"C:\\PROGRAM FILES\\Vellumo\\Vellumo.exe\" /background", exe));
    EXPECT_TRUE(RunValueIsThisProgram("\"" + exe, exe)) << "no closing quote";
    EXPECT_FALSE(RunValueIsThisProgram(AutoRunData("D:\\Other\\Vellumo.exe"), exe));
    EXPECT_FALSE(RunValueIsThisProgram("any data at all", exe));
    EXPECT_FALSE(RunValueIsThisProgram("", ""));
}
