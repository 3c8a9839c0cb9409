#include "base/task_xml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(ParseTaskXml, ReadsWhatATaskRunsAndSaysOfItself) {
    const std::wstring xml =
        L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><!-- made by hand -->"
        L"<t:Task version=\"1.2\" xmlns:t=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
        L"<t:RegistrationInfo><t:Author> Tarn &amp; Co </t:Author>"
        L"<t:Description><![CDATA[keeps <things>]]> &#x540C;&#27493;</t:Description></t:RegistrationInfo>"
        L"<t:Triggers><t:LogonTrigger><t:Enabled>true</t:Enabled></t:LogonTrigger><t:BootTrigger/>"
        L"<t:FutureTrigger/></t:Triggers>"
        L"<t:Settings><t:Enabled>false</t:Enabled><t:Hidden>1</t:Hidden></t:Settings>"
        L"<t:Actions Context=\"Author\"><t:Exec><t:Command>\"C:\\My App\\run.exe\"</t:Command>"
        L"<t:Arguments>--a &quot;b&quot;</t:Arguments><t:WorkingDirectory>%TEMP%</t:WorkingDirectory></t:Exec>"
        L"<t:ComHandler><t:ClassId>{0A1B}</t:ClassId><t:Data>x</t:Data></t:ComHandler>"
        L"<t:SendEmail/><t:ShowMessage/><t:Whatever/></t:Actions></t:Task>";
    const auto parsed = ParseTaskXml(xml);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(L"Tarn & Co", parsed->author);
    EXPECT_EQ(L"keeps <things> \x540C\x6B65", parsed->description);
    EXPECT_EQ(false, parsed->enabled);
    EXPECT_EQ(true, parsed->hidden);
    EXPECT_EQ((std::vector<std::wstring>{L"LogonTrigger", L"BootTrigger", L"FutureTrigger"}), parsed->triggers);
    EXPECT_EQ(L"登录时、启动时、FutureTrigger", TriggersText(parsed->triggers));
    ASSERT_EQ(5u, parsed->actions.size());
    const TaskAction& exec = parsed->actions[0];
    EXPECT_EQ(TaskActionKind::Exec, exec.kind);
    EXPECT_EQ(L"\"C:\\My App\\run.exe\" --a \"b\"（起始于 %TEMP%）", TaskCommandLine(exec));
    EXPECT_EQ(L"\"C:\\My App\\run.exe\" --a \"b\"", TaskProgramCommand(exec));
    EXPECT_EQ(TaskActionKind::ComHandler, parsed->actions[1].kind);
    EXPECT_EQ(L"{0A1B}", parsed->actions[1].classId);
    EXPECT_EQ(TaskActionKind::SendEmail, parsed->actions[2].kind);
    EXPECT_EQ(TaskActionKind::ShowMessage, parsed->actions[3].kind);
    EXPECT_EQ(TaskActionKind::Unknown, parsed->actions[4].kind);
    EXPECT_TRUE(ActionsAreComplete(*parsed));
}

TEST(ParseTaskXml, RefusesWhatIsNoWholeTaskAndNamesIncompleteActions) {
    for (const wchar_t* broken : {L"", L"not xml", L"<Task>", L"<Task><Actions></Task", L"<Other/>",
                                  L"<Task><A x=\"unclosed></A></Task>", L"<Task><![CDATA[x</Task>"}) {
        EXPECT_FALSE(ParseTaskXml(broken).has_value()) << std::wstring(broken).size();
    }
    std::wstring deep = L"<Task>";
    for (int level = 0; level < 100; ++level) {
        deep += L"<A>";
    }
    EXPECT_FALSE(ParseTaskXml(deep).has_value());

    // As a scheduler that drops what an action runs answers it.
    const auto lossy = ParseTaskXml(L"<Task><Actions><Exec/><ComHandler/></Actions></Task>");
    ASSERT_TRUE(lossy.has_value());
    EXPECT_EQ(2u, lossy->actions.size());
    EXPECT_FALSE(ActionsAreComplete(*lossy));
    EXPECT_FALSE(ActionsAreComplete(*ParseTaskXml(L"<Task/>")));
    EXPECT_FALSE(lossy->enabled.has_value());
}

TEST(TaskXmlTexts, CommandsAndFlagsAsTheyAreShownAndCompared) {
    TaskAction bare;
    bare.command = L"C:\\Program Files\\x.exe";
    EXPECT_EQ(L"\"C:\\Program Files\\x.exe\"", TaskProgramCommand(bare));
    EXPECT_EQ(L"C:\\Program Files\\x.exe", TaskCommandLine(bare));
    EXPECT_EQ(L"", TaskProgramCommand(TaskAction{}));
    EXPECT_EQ(L"", TriggersText({}));

    const std::wstring on = L"<Task><Settings><Hidden>true</Hidden><Enabled>true</Enabled></Settings></Task>";
    const std::wstring off = L"<Task><Settings><Hidden>true</Hidden><Enabled>false</Enabled></Settings></Task>";
    const std::wstring unset = L"<Task><Settings><Hidden>true</Hidden></Settings></Task>";
    EXPECT_EQ(WithoutEnabledFlag(on), WithoutEnabledFlag(off));
    EXPECT_EQ(unset, WithoutEnabledFlag(off));
    // A trigger's or a nested setting's own flag is not the task's.
    const std::wstring trigger = L"<Task><Triggers><Enabled>false</Enabled></Triggers><Settings/></Task>";
    EXPECT_EQ(trigger, WithoutEnabledFlag(trigger));
    EXPECT_EQ(
        L"<Settings><Idle><Enabled>1</Enabled></Idle><!-- x --></Settings>",
        WithoutEnabledFlag(L"<Settings><Idle><Enabled>1</Enabled></Idle><!-- x --><Enabled>0</Enabled></Settings>"));
}

TEST(WithEnabledFlag, SetsTheTasksOwnFlagAndNothingElse) {
    const struct {
        std::wstring xml;
        bool enabled;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"<Task><Settings><Hidden>true</Hidden><Enabled>true</Enabled></Settings></Task>", false,
         L"<Task><Settings><Hidden>true</Hidden><Enabled>false</Enabled></Settings></Task>"},
        {L"<Task><Settings><Enabled>false</Enabled></Settings></Task>", true,
         L"<Task><Settings><Enabled>true</Enabled></Settings></Task>"},
        // Added where Settings holds none; a nested setting's flag is left alone.
        {L"<Task><Settings><Idle><Enabled>1</Enabled></Idle></Settings></Task>", false,
         L"<Task><Settings><Enabled>false</Enabled><Idle><Enabled>1</Enabled></Idle></Settings></Task>"},
        {L"<Task><Settings/></Task>", false, std::nullopt},
        {L"<Task><Actions/></Task>", false, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto changed = WithEnabledFlag(c.xml, c.enabled);
        EXPECT_EQ(c.expected, changed);
        if (changed) {
            // Identical but for the flag, as a switch is checked.
            EXPECT_EQ(WithoutEnabledFlag(c.xml), WithoutEnabledFlag(*changed));
            EXPECT_EQ(c.enabled, ParseTaskXml(*changed).value().enabled);
        }
    }
}

TEST(ParseTaskXml, TellsHowThePrincipalLogsOn) {
    const std::pair<std::wstring, int> cases[] = {
        {L"", 0},
        {L"<Principals><Principal><UserId>S-1-5-18</UserId></Principal></Principals>", 3},
        {L"<Principals><Principal><UserId>me</UserId><LogonType>S4U</LogonType></Principal></Principals>", 2},
        {L"<Principals><Principal><LogonType> Password </LogonType></Principal></Principals>", 1},
        {L"<Principals><Principal><GroupId>S-1-5-32-545</GroupId></Principal></Principals>", 4},
        {L"<Principals><Principal><UserId>LocalService</UserId><LogonType>ServiceAccount</LogonType></Principal>"
         L"</Principals>",
         5},
    };
    for (const auto& [principals, type] : cases) {
        EXPECT_EQ(type, ParseTaskXml(L"<Task>" + principals + L"<Actions/></Task>").value().logonType);
    }
}

TEST(TaskFileText, DecodesTheEncodingsTaskFilesAreWrittenIn) {
    const struct {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {std::string("\xFF\xFE<\0T\0", 6), L"<T"},
        {std::string("<\0T\0", 4), L"<T"},
        {"\xEF\xBB\xBF<T>\xE5\x90\x8C", L"<T>\x540C"},
        {"a\xC0\xE5\x90", L"a\xFFFD\xFFFD\xFFFD"},
        {"", L""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.text, TaskFileText(test.bytes)) << test.bytes.size();
    }
}

}  // namespace
}  // namespace tarn
