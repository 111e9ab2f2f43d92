#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace nivaro::cli {
namespace {

TEST(CliArguments, ParsesCommandsIdsAndOptions)
{
    struct Case {
        std::vector<std::wstring> args;
        Command command;
        std::vector<std::wstring> ids;
        bool all;
        bool json;
    };
    const Case cases[] = {
        {{L"list"}, Command::kList, {}, false, false},
        {{L"preview"}, Command::kPreview, {}, false, false},
        {{L"preview", L"history", L"cookies"}, Command::kPreview, {L"history", L"cookies"}, false, false},
        {{L"clean", L"--all", L"--json"}, Command::kClean, {}, true, true},
        {{L"--json", L"clean", L"paint"}, Command::kClean, {L"paint"}, false, true},
        {{L"--help"}, Command::kHelp, {}, false, false},
        {{L"clean", L"-h"}, Command::kHelp, {}, false, false},
        {{L"--version"}, Command::kVersion, {}, false, false},
        {{L"clean", L"--all", L"--version"}, Command::kVersion, {}, false, false},
    };
    for (const Case& c : cases) {
        auto parsed = ParseArguments(c.args);
        ASSERT_TRUE(parsed) << c.args.front();
        EXPECT_EQ(parsed->command, c.command);
        EXPECT_EQ(parsed->ids, c.ids);
        EXPECT_EQ(parsed->all, c.all);
        EXPECT_EQ(parsed->json, c.json);
    }
}

TEST(CliArguments, RefusesWhatItDoesNotKnowWithAReason)
{
    struct Case {
        std::vector<std::wstring> args;
        std::wstring mentions;
    };
    const Case cases[] = {
        {{}, L"no command"},
        {{L"erase"}, L"'erase'"},
        {{L"clean", L"--force"}, L"'--force'"},
        {{L"list", L"history"}, L"only preview and clean"},
        {{L"clean", L"--all", L"history"}, L"not both"},
        {{L"list", L"--json"}, L"--json"},
    };
    for (const Case& c : cases) {
        auto parsed = ParseArguments(c.args);
        ASSERT_FALSE(parsed);
        EXPECT_NE(parsed.error().find(c.mentions), std::wstring::npos) << parsed.error();
    }
}

}  // namespace
}  // namespace nivaro::cli
