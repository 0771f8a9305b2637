#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "spooler/install_chain.h"

namespace qar {
namespace {

constexpr const char* kDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";
const std::string kTolvarDriverKey = std::string(kDriverKeyPrefix) + "\\Tolvar-60";

class InstallChainTest : public ::testing::Test {
  protected:
    InstallChainTest() {
        state.selectedModel = "Tolvar-60";
        state.selectedPort = "COM1:";
        state.selectionMade = 1;
        fakes.files.StageDriverFiles(kDirectory);
        for (const char* model : {"Tolvar-60", "Nolle-60"}) StageIni(model);
    }
    void StageIni(const std::string& model) {
        fakes.files.files[std::string(kDirectory) + "\\" + model + ".INI"] = "model";
    }

    void AddUserQueue(const std::string& name, const std::string& port) {
        fakes.spooler.printers.push_back({name, port, "User driver", "WinPrint", "RAW", "", ""});
    }

    fake::FakePlatform fakes;
    InstallState state;
    InstallSteps steps{fakes.platform, state};
};

TEST_F(InstallChainTest, FirstInstallRegistersDriverCreatesQueueAndWritesMonitorSettings) {
    ASSERT_EQ(steps.InstallChain(), 1);

    ASSERT_EQ(fakes.spooler.drivers.size(), 1u);
    const DriverInfo3& driver = fakes.spooler.drivers[0];
    EXPECT_EQ(driver.name, "Tolvar-60");
    EXPECT_EQ(driver.environment, "Windows x64");
    EXPECT_EQ(driver.driverPath, std::string(kDirectory) + "\\KT4_cx64.dll");
    EXPECT_EQ(driver.dataFile, std::string(kDirectory) + "\\Tolvar-60.INI");
    EXPECT_EQ(driver.configFile, std::string(kDirectory) + "\\KT4_cx64UI.dll");
    EXPECT_EQ(driver.helpFile, std::string(kDirectory) + "\\QARUI.HLP");

    const fake::FakePrinter* queue = fakes.spooler.FindPrinter("Tolvar-60");
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->port, "COM1:");
    EXPECT_EQ(queue->driver, "Tolvar-60");
    EXPECT_EQ(queue->printProcessor, "WinPrint");
    EXPECT_EQ(queue->datatype, "RAW");

    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "ShowWindow"), 2u);
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "RunUser"), 0u);
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "Delay"), 300u);
    EXPECT_TRUE(fakes.registry.HasKey(kTolvarDriverKey));

    EXPECT_EQ(state.modelName, "Tolvar-60");
    EXPECT_EQ(state.clashCounter, 1);
    EXPECT_TRUE(state.printerName.empty());
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(InstallChainTest, ClashAfterClashNumbersFromTheModelName) {
    AddUserQueue("Tolvar-60", "LPT2:");
    AddUserQueue("Tolvar-60_1", "LPT3:");

    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_EQ(state.printerName, "Tolvar-60_1");
    EXPECT_EQ(state.clashCounter, 2);

    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_EQ(state.printerName, "Tolvar-60_2");
    EXPECT_EQ(state.clashCounter, 3);

    EXPECT_EQ(steps.InstallChain(), 1);
    const fake::FakePrinter* queue = fakes.spooler.FindPrinter("Tolvar-60_2");
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->driver, "Tolvar-60");
    EXPECT_EQ(queue->port, "COM1:");
    const DriverInfo3* clashDriver = fakes.spooler.FindDriver("Tolvar-60_2");
    ASSERT_NE(clashDriver, nullptr);
    EXPECT_EQ(clashDriver->dataFile, std::string(kDirectory) + "\\Tolvar-60.INI");
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(InstallChainTest, TakenNameIsAClashWithoutAskingTheSpoolerToAdd) {
    AddUserQueue("Tolvar-60", "LPT2:");
    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_EQ(fakes.control.CountCalls("AddPrinter"), 0u);
    EXPECT_EQ(fakes.spooler.FindPrinter("Tolvar-60")->port, "LPT2:");
    EXPECT_EQ(fakes.spooler.FindPrinter("Tolvar-60")->driver, "User driver");
}

TEST_F(InstallChainTest, ClashReportedByTheSpoolerItselfIsAlsoAClash) {
    fakes.control.FailCall("AddPrinter", win32_error::kPrinterAlreadyExists, 1);
    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_EQ(state.printerName, "Tolvar-60_1");
    EXPECT_EQ(state.clashCounter, 2);
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
}

TEST_F(InstallChainTest, QueueRefusalShowsExactlyOneErrorBoxAndKeepsTheClashState) {
    fakes.control.FailCall("AddPrinter", win32_error::kUnknownPrintProcessor);
    EXPECT_EQ(steps.InstallChain(), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    const fake::ShownMessageBox& box = fakes.ui.messageBoxes[0];
    EXPECT_EQ(box.caption, "ERROR");
    EXPECT_EQ(box.text, "system text for 1798");
    EXPECT_EQ(box.style, message_box::kIconInformation);
    EXPECT_EQ(box.owner, kNoWindow);
    EXPECT_TRUE(state.printerName.empty());
    EXPECT_EQ(state.clashCounter, 1);
    EXPECT_FALSE(fakes.registry.HasKey(kMonitorPortKey));
}

TEST_F(InstallChainTest, DriverRefusalStopsTheChainAfterOneBox) {
    fakes.control.FailCall("AddPrinterDriver", win32_error::kFileNotFound);
    EXPECT_EQ(steps.InstallChain(), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "system text for 2");
    EXPECT_FALSE(fakes.registry.HasKey(kTolvarDriverKey));
    EXPECT_EQ(fakes.control.CountCalls("OpenPrinter"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("AddPrinter"), 0u);
}

// Windows protected print mode refuses every driver not from Windows, with a code whose text
// does not say so; the policy and the switch in Settings each turn it on.
TEST_F(InstallChainTest, DriverRefusedUnderProtectedPrintModeSaysWhatToDo) {
    const std::string policy = "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
    const std::string settings = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\WPP";
    struct Case {
        std::string key;
        std::uint32_t mode;
        bool advised;
    };
    for (const Case& test : {Case{policy, 1, true}, Case{settings, 1, true}, Case{policy, 0, false},
                             Case{"", 0, false}}) {
        fake::FakePlatform machine;
        if (!test.key.empty()) {
            machine.registry.SetDwordValue(test.key, "WindowsProtectedPrintMode", test.mode);
        }
        machine.control.FailCall("AddPrinterDriver", win32_error::kAccessDenied);
        InstallSteps chain{machine.platform, state};
        EXPECT_EQ(chain.InstallChain(), 0);
        ASSERT_EQ(machine.ui.messageBoxes.size(), 1u) << test.key;
        const std::string& text = machine.ui.messageBoxes[0].text;
        EXPECT_TRUE(text.starts_with("system text for 5")) << text;
        EXPECT_EQ(text.find("Windows protected print mode is on") != std::string::npos,
                  test.advised)
            << test.key << " " << test.mode;
        for (const std::string& opened : machine.control.CallsNamed("RegOpenKeyEx")) {
            // A 32-bit process would otherwise read WOW6432Node, where the mode is never set.
            EXPECT_NE(opened.find(", read, 64-bit view)"), std::string::npos) << opened;
        }
    }
}

TEST_F(InstallChainTest, DriverKeyFailureIsSilentAndStopsBeforeTheQueue) {
    fakes.control.FailCall("RegOpenKeyEx", win32_error::kAccessDenied);
    fakes.control.FailCall("RegCreateKey", win32_error::kAccessDenied);
    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.control.CountCalls("AddPrinter"), 0u);
}

TEST_F(InstallChainTest, DriverKeyIsCreatedOnceAndOpenedAfterwardsWithoutValues) {
    EXPECT_EQ(steps.DriverKeyStep(), 1);
    EXPECT_EQ(fakes.control.CallsNamed("RegCreateKey"),
              (std::vector<std::string>{"RegCreateKey(" + std::string(kDriverKeyPrefix) + "\\)"}));
    state.modelName = "Tolvar-60";
    EXPECT_EQ(steps.DriverKeyStep(), 1);
    EXPECT_EQ(steps.DriverKeyStep(), 1);
    EXPECT_EQ(fakes.control.CountCalls("RegCreateKey"), 2u);
    EXPECT_EQ(fakes.control.CountCalls("RegOpenKeyEx"), 3u);
    EXPECT_TRUE(fakes.registry.FindKey(kTolvarDriverKey)->values.empty());
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(InstallChainTest, MonitorValuesAreOverwrittenAndOthersLeftAlone) {
    fakes.registry.SetDwordValue(kMonitorPortKey, "ShowWindow", 7);
    fakes.registry.SetDwordValue(kMonitorPortKey, "Delay", 5);
    fakes.registry.SetStringValue(kMonitorPortKey, "Owner", "someone");
    ASSERT_EQ(steps.InstallChain(), 1);
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "ShowWindow"), 2u);
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "RunUser"), 0u);
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "Delay"), 300u);
    EXPECT_EQ(fakes.registry.StringValue(kMonitorPortKey, "Owner"), "someone");
}

TEST_F(InstallChainTest, MonitorKeyThatCannotBeWrittenFailsAndTheRerunMeetsAClash) {
    // The driver key exists and opens; the monitor key can be neither opened nor created.
    fakes.registry.AddKey(kTolvarDriverKey);
    fakes.control.FailCall("RegCreateKey", win32_error::kAccessDenied);
    ASSERT_FALSE(fakes.registry.HasKey(kMonitorPortKey));
    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_NE(fakes.spooler.FindPrinter("Tolvar-60"), nullptr);
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(steps.InstallChain(), 0);
    EXPECT_EQ(state.printerName, "Tolvar-60_1");
}

TEST_F(InstallChainTest, UsbPortWinsOverTheSelectedPort) {
    fakes.deviceSetup.interfaces.push_back({"\\\\?\\usb#vid_1a7e&pid_0001#s#{g}", 1});  // its port
    state.usbPortName = "USB001";
    state.selectedPort = "LPT1:";
    ASSERT_EQ(steps.InstallChain(), 1);
    EXPECT_EQ(fakes.spooler.FindPrinter("Tolvar-60")->port, "USB001");
}

TEST_F(InstallChainTest, WithoutSelectionTheCallersModelNameStands) {
    state.selectionMade = 0;
    state.modelName = "Nolle-60";
    ASSERT_EQ(steps.InstallChain(), 1);
    EXPECT_NE(fakes.spooler.FindDriver("Nolle-60"), nullptr);
    EXPECT_EQ(state.modelName, "Nolle-60");
}

TEST_F(InstallChainTest, PathBeyondItsBufferFailsWithTheSystemTextFor206) {
    state.selectedModel = std::string(250, 'M');
    EXPECT_EQ(steps.InstallChain(), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "system text for 206");
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
}

TEST_F(InstallChainTest, PathLimitCountsTheTerminator) {
    // 41 characters of folder + "\" + model + ".INI": 259 characters and the terminator fill
    // the 260-byte buffer; one more does not fit.
    const auto modelForPathOf = [](std::size_t length) {
        return std::string(length - std::string(kDirectory).size() - 5, 'M');
    };
    state.selectedModel = modelForPathOf(260);
    EXPECT_EQ(steps.AddDriverStep(), 0);
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
    state.selectedModel = modelForPathOf(259);
    StageIni(state.selectedModel);
    EXPECT_EQ(steps.AddDriverStep(), 1);
    EXPECT_EQ(fakes.spooler.drivers.at(0).dataFile.size(), 259u);
}

TEST_F(InstallChainTest, MissingDriverDirectoryFailsWithItsErrorBeforeAnyRegistration) {
    fakes.control.FailCall("GetPrinterDriverDirectory", win32_error::kInsufficientBuffer);
    EXPECT_EQ(steps.InstallChain(), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "system text for 122");
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
}

}  // namespace
}  // namespace qar
