// The three command-line tools' options: what each command line asks for, and what is said.
#include <gtest/gtest.h>

#include "app/command_line.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using sorvane::app::CommandLine;
using sorvane::app::Tool;
using Action = CommandLine::Action;

constexpr Tool gauge{"sorvane", "", "about the gauge\n"};
constexpr Tool power{"sorvane-power", "POWER_SUPPLY_DIR", "about the tool\n"};

struct Case {
    const char* name;
    const Tool* tool;
    std::vector<std::string_view> args;
    Action action;
    std::string text; // exact, or for a refusal the part naming the argument
    std::string operand = {};
};

class CommandLines : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLines, AskForWhatTheyName) {
    const Case& c = GetParam();
    const CommandLine line = sorvane::app::parseCommandLine(*c.tool, c.args);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.operand, c.operand);
    if (c.action == Action::Refuse) {
        // One line, naming the tool and the argument, pointing at --help.
        EXPECT_EQ(line.text.rfind(std::string(c.tool->name) + ": ", 0), 0u) << line.text;
        EXPECT_NE(line.text.find(c.text), std::string::npos) << line.text;
        EXPECT_NE(line.text.find("--help"), std::string::npos) << line.text;
        EXPECT_EQ(std::count(line.text.begin(), line.text.end(), '\n'), 1) << line.text;
        EXPECT_EQ(line.text.back(), '\n');
    } else {
        EXPECT_EQ(line.text, c.text);
    }
}

const std::string version = SORVANE_TEST_VERSION;

INSTANTIATE_TEST_SUITE_P(
    Tools, CommandLines,
    ::testing::Values(
        Case{"GaugeBare", &gauge, {}, Action::Run, ""},
        Case{"GaugeHelp",
             &gauge,
             {"--help"},
             Action::Help,
             "Usage: sorvane [--help] [--version]\nabout the gauge\n"},
        Case{"GaugeShortHelp",
             &gauge,
             {"-h"},
             Action::Help,
             "Usage: sorvane [--help] [--version]\nabout the gauge\n"},
        Case{"GaugeVersion", &gauge, {"--version"}, Action::Version, "sorvane " + version + "\n"},
        // The first of --help and --version wins; what follows is not looked at.
        Case{"FirstAnswerWins",
             &gauge,
             {"--version", "--bogus"},
             Action::Version,
             "sorvane " + version + "\n"},
        Case{"UnknownBeforeHelp",
             &gauge,
             {"--bogus", "--help"},
             Action::Refuse,
             "unknown option '--bogus'"},
        Case{"GaugeUnknown", &gauge, {"-x"}, Action::Refuse, "unknown option '-x'"},
        Case{"OptionWithValue", &gauge, {"--help=1"}, Action::Refuse, "'--help=1'"},
        Case{"GaugeTakesNoOperand", &gauge, {"file"}, Action::Refuse, "unexpected argument 'file'"},
        Case{"ControlCharactersMasked", &gauge, {"-\x1b[2J"}, Action::Refuse, "'-?[2J'"},
        Case{"PowerBare", &power, {}, Action::Run, ""},
        Case{"PowerFolder", &power, {"/tmp/x"}, Action::Run, "", "/tmp/x"},
        Case{"PowerDashFolderAfterDoubleDash", &power, {"--", "-odd"}, Action::Run, "", "-odd"},
        Case{"PowerLoneDashIsAFolder", &power, {"-"}, Action::Run, "", "-"},
        Case{"PowerHelp",
             &power,
             {"/tmp", "-h"},
             Action::Help,
             "Usage: sorvane-power [--help] [--version] [POWER_SUPPLY_DIR]\nabout the tool\n"},
        Case{"PowerVersion",
             &power,
             {"--version"},
             Action::Version,
             "sorvane-power " + version + "\n"},
        Case{"PowerTwoFolders",
             &power,
             {"a", "b"},
             Action::Refuse,
             "a second POWER_SUPPLY_DIR: 'b'"},
        Case{"PowerEmptyFolder", &power, {""}, Action::Refuse, "empty POWER_SUPPLY_DIR"},
        Case{"PowerUnknown", &power, {"--root=/x"}, Action::Refuse, "unknown option '--root=/x'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Answer, HelpAndVersionExitZeroARefusalTwo) {
    CommandLine line;
    line.action = Action::Version;
    line.text = "sorvane 1\n";
    testing::internal::CaptureStdout();
    EXPECT_EQ(sorvane::app::answer(line), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "sorvane 1\n");
    line.action = Action::Refuse;
    line.text = "sorvane: no\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(sorvane::app::answer(line), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "sorvane: no\n");
}

TEST(FolderProblem, NamesWhatIsWrongWithTheFolder) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "sorvane-folder-problem";
    fs::remove_all(dir);
    fs::create_directories(dir / "readable");
    std::ofstream(dir / "file") << "x";
    EXPECT_EQ(sorvane::app::folderProblem((dir / "readable").string()), "");
    EXPECT_EQ(sorvane::app::folderProblem((dir / "missing").string()), "no such folder");
    EXPECT_EQ(sorvane::app::folderProblem((dir / "file").string()), "not a folder");
    EXPECT_EQ(sorvane::app::folderProblem((dir / "file" / "below").string()), "no such folder")
        << "a path through a file";
    fs::remove_all(dir);
}

} // namespace
