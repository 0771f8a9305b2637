#include <gtest/gtest.h>

#include <algorithm>

#include "cli/command_line.h"
#include "dialogs/select_port.h"

namespace qar {
namespace {

CommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLine, AcceptedLines) {
    struct Case {
        std::vector<std::string> arguments;
        Command command;
        bool quiet;
        bool addQueue;
        std::string logPath;
    };
    const std::vector<Case> cases = {
        {{"/model", "corvel 24", "/port", "COM1"}, Command::kManual, false, false, ""},
        {{"-QUIET", "-Port", "LPT1:", "/MODEL", "Nolle-60", "/AddQueue"},
         Command::kManual,
         true,
         true,
         ""},
        {{"/usb", "/log", "C:\\logs\\run 1.log"},
         Command::kUsb,
         false,
         false,
         "C:\\logs\\run 1.log"},
        {{"/InstallUSB"}, Command::kInstallUsb, false, false, ""},
        {{"/uninstallusb", "/quiet"}, Command::kUninstallUsb, true, false, ""},
        {{"/updateport"}, Command::kUpdatePort, false, false, ""},
        {{"/quiet", "/uninstall", "/model", "corvel 24"}, Command::kUninstall, true, false, ""},
        {{"/?"}, Command::kHelp, false, false, ""},
        {{"/HELP"}, Command::kHelp, false, false, ""},
        {{"-Help"}, Command::kHelp, false, false, ""},
        // Help wins over anything else on the line, even a fault.
        {{"/bogus", "-help", "/quiet"}, Command::kHelp, true, false, ""},
    };
    for (const Case& test : cases) {
        const CommandLine line = Parse(test.arguments);
        EXPECT_EQ(line.error, "") << test.arguments.front();
        EXPECT_EQ(line.command, test.command) << test.arguments.front();
        EXPECT_EQ(line.quiet, test.quiet) << test.arguments.front();
        EXPECT_EQ(line.addQueue, test.addQueue) << test.arguments.front();
        EXPECT_EQ(line.logPath, test.logPath) << test.arguments.front();
    }
    EXPECT_EQ(Parse({"/port", "com1", "/model", "x"}).model, "x");
}

TEST(CommandLine, RejectedLinesSayWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"/bogus"}, "unknown switch /bogus"},
        {{"/bogus", "/model"}, "unknown switch /bogus"},  // the first fault of the line
        {{"/model", "Corvel 24"}, "/model and /port go together"},
        {{"/port", "COM1"}, "/model and /port go together"},
        {{"/model"}, "/model needs a value"},
        {{"/model", "/port", "COM1"}, "/model needs a value"},
        {{"/usb", "/log"}, "/log needs a value"},
        {{"/usb", "/updateport"}, "only one command at a time"},
        {{"/usb", "/model", "Nolle-60", "/port", "COM1"}, "only one command at a time"},
        {{"/quiet"}, "no command given"},
        {{"usb"}, "unexpected value \"usb\""},
        {{"/uninstall"}, "/uninstall needs /model"},
        {{"/uninstall", "/model", "Nolle-60", "/port", "COM1"}, "/uninstall takes no /port"},
        {{"/uninstall", "/usb", "/model", "Nolle-60"}, "only one command at a time"},
        {{"/usb", "/log", ""}, "/log needs a value"},
        {{"/usb", "/log", "a.log", "/LOG", "b.log"}, "/LOG given twice"},
        {{"/quiet", "/usb", "-Quiet"}, "-Quiet given twice"},
        {{"/usb", "/USB"}, "/USB given twice"},
        {{"/model", "Nolle-60", "/port", "COM1", "/model", "Tolvar-60"}, "/model given twice"},
    };
    for (const auto& [arguments, error] : cases) {
        EXPECT_EQ(Parse(arguments).error, error) << arguments.front();
        EXPECT_EQ(Parse(arguments).command, Command::kNone) << arguments.front();
    }
}

TEST(CommandLine, ModelsMatchIgnoringCaseAndKeepTheirListedSpelling) {
    EXPECT_EQ(ResolveModel("corvel 24"), "Corvel 24");
    EXPECT_EQ(ResolveModel("FERRAIII-60DX"), "FerraIII-60DX");
    EXPECT_EQ(ResolveModel("Corvel"), std::nullopt);
    EXPECT_EQ(ResolveModel("Corvel 24 "), std::nullopt);
}

TEST(CommandLine, PortsMatchIgnoringCaseWithOrWithoutTheColon) {
    const std::vector<std::string> known = {"COM1:", "LPT1:", "USB001", "FILE:"};
    EXPECT_EQ(ResolvePort("COM1", known), "COM1:");
    EXPECT_EQ(ResolvePort("com1:", known), "COM1:");
    EXPECT_EQ(ResolvePort("usb001", known), "USB001");
    EXPECT_EQ(ResolvePort("USB001:", known), std::nullopt);
    EXPECT_EQ(ResolvePort("COM2", known), std::nullopt);
}

// A message box wraps long lines: every line stays short, and each model has a line of its own.
TEST(CommandLine, HelpTextLinesAreShortAndTheModelsStandAlone) {
    const std::string text = UsageText();
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    for (const std::string& line : lines) EXPECT_LE(line.size(), 47u) << line;
    const auto models = std::find(lines.begin(), lines.end(), "Models:");
    ASSERT_NE(models, lines.end());
    EXPECT_EQ(std::vector<std::string>(models + 1, lines.end()),
              std::vector<std::string>(kModelNames.begin(), kModelNames.end()));
}

}  // namespace
}  // namespace qar
