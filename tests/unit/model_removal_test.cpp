#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fakes/fake_platform.h"
#include "spooler/install_chain.h"
#include "spooler/model_removal.h"

namespace qar {
namespace {

constexpr const char* kModel = "Corvel 24";
const std::string kDriverKey = std::string(kDriverKeyPrefix) + "\\Corvel 24";

TEST(ModelRemoval, InstallerQueueNames) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Corvel 24", true},      {"corvel 24", true},     {"Corvel 24_1", true},
        {"Corvel 24_12", true},   {"Corvel 24_", false},   {"Corvel 24_x", false},
        {"Corvel 24_1a", false},  {"Corvel 24 LX", false}, {"Corvel 2", false},
        {"Office cutter", false}, {"Corvel 24 _1", false},
    };
    for (const auto& [queue, installer] : cases) {
        EXPECT_EQ(IsInstallerQueueName(queue, kModel), installer) << queue;
    }
}

// A machine after two installations of the model and one of another.
class ModelRemovalTest : public ::testing::Test {
  protected:
    ModelRemovalTest() {
        for (const char* model : {kModel, "Corvel 24 LX"}) {
            fakes.spooler.drivers.push_back(
                {model, "Windows x64", "KT4_cx64.dll", "x.INI", "", ""});
            fakes.registry.AddKey(std::string(kDriverKeyPrefix) + "\\" + model);
        }
        // The second installation met a clash and registered the driver under the queue's name.
        fakes.spooler.drivers.push_back(
            {"Corvel 24_1", "Windows x64", "KT4_cx64.dll", "Corvel 24.INI", "", ""});
        AddQueue("Corvel 24", kModel);
        AddQueue("Corvel 24_1", kModel);
        AddQueue("Corvel 24_2", "Corvel 24 LX");  // the name fits, the driver does not
        fakes.registry.SetDwordValue(kMonitorPortKey, "Delay", 300);
    }
    void AddQueue(const std::string& name, const std::string& driver) {
        fakes.spooler.printers.push_back({name, "COM1:", driver, "WinPrint", "RAW", "", ""});
    }
    std::vector<std::string> Queues() const {
        std::vector<std::string> names;
        for (const auto& printer : fakes.spooler.printers) names.push_back(printer.name);
        return names;
    }
    const std::string& LastBox() const { return fakes.ui.messageBoxes.back().text; }

    fake::FakePlatform fakes;
};

// On a print server the key can be a real x86 driver's registration: only the empty key the
// installation makes goes.
TEST_F(ModelRemovalTest, KeepsADriverKeyThatHoldsARegistration) {
    const std::vector<std::pair<const char*, std::function<void()>>> registrations = {
        {"a value", [&] { fakes.registry.SetStringValue(kDriverKey, "Driver", "x.dll"); }},
        {"a subkey", [&] { fakes.registry.AddKey(kDriverKey + "\\Copy"); }},
    };
    for (const auto& [what, add] : registrations) {
        fakes.registry.RemoveKey(kDriverKey);
        fakes.registry.AddKey(kDriverKey);
        add();
        ModelRemovalTest::AddQueue("Corvel 24", kModel);
        fakes.spooler.drivers.push_back({kModel, "Windows x64", "KT4_cx64.dll", "x.INI", "", ""});
        EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kDone) << what;
        EXPECT_TRUE(fakes.registry.HasKey(kDriverKey)) << what;
        EXPECT_NE(LastBox().find("it holds values or subkeys, so it is a driver's registration"),
                  std::string::npos)
            << what << ": " << LastBox();
    }
}

TEST_F(ModelRemovalTest, RemovesItsQueuesDriverAndKeyAndNothingElse) {
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kDone);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text,
              "Remove the QAR cutter driver Corvel 24?\r\n\r\n"
              "Printer queues: \"Corvel 24\", \"Corvel 24_1\"\r\n"
              "Drivers: \"Corvel 24\", \"Corvel 24_1\"");
    EXPECT_EQ(Queues(), std::vector<std::string>{"Corvel 24_2"});
    EXPECT_EQ(fakes.spooler.FindDriver(kModel), nullptr);
    EXPECT_EQ(fakes.spooler.FindDriver("Corvel 24_1"), nullptr);
    EXPECT_NE(fakes.spooler.FindDriver("Corvel 24 LX"), nullptr);
    EXPECT_TRUE(fakes.spooler.driverFilesLeft.empty());
    EXPECT_FALSE(fakes.registry.HasKey(kDriverKey));
    EXPECT_TRUE(fakes.registry.HasKey(std::string(kDriverKeyPrefix) + "\\Corvel 24 LX"));
    EXPECT_EQ(fakes.registry.DwordValue(kMonitorPortKey, "Delay"), 300u);
    EXPECT_EQ(LastBox(),
              "Removed: printer queue \"Corvel 24\".\r\nRemoved: printer queue \"Corvel 24_1\".\r\n"
              "Removed: driver \"Corvel 24\" and its unused files.\r\n"
              "Removed: driver \"Corvel 24_1\" and its unused files.\r\n"
              "Removed: its registry key.");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
    // Again: nothing is left, nothing is asked.
    fakes.ui.messageBoxes.clear();
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kDone);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(LastBox(), "Nothing of Corvel 24 to remove.");
}

TEST_F(ModelRemovalTest, ADriverAUsersQueueUsesIsKeptWithItsKey) {
    AddQueue("Office cutter", kModel);
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kDone);
    EXPECT_NE(fakes.ui.messageBoxes[0].text.find(
                  "Drivers: \"Corvel 24\", \"Corvel 24_1\", kept while \"Office cutter\" use it"),
              std::string::npos)
        << fakes.ui.messageBoxes[0].text;
    EXPECT_EQ(Queues(), (std::vector<std::string>{"Corvel 24_2", "Office cutter"}));
    EXPECT_NE(fakes.spooler.FindDriver(kModel), nullptr);
    EXPECT_TRUE(fakes.registry.HasKey(kDriverKey));
    EXPECT_NE(LastBox().find("Kept: driver \"Corvel 24\": the printer queue \"Office cutter\" "
                             "still uses it."),
              std::string::npos)
        << LastBox();
}

TEST_F(ModelRemovalTest, ASpoolerRefusingToDeleteFilesStillTakesTheRegistration) {
    fakes.spooler.refusesDriverDeletionFlags = true;
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kDone);
    EXPECT_EQ(fakes.spooler.FindDriver(kModel), nullptr);
    EXPECT_EQ(fakes.spooler.driverFilesLeft, (std::vector<std::string>{kModel, "Corvel 24_1"}));
    EXPECT_FALSE(fakes.registry.HasKey(kDriverKey));
    EXPECT_NE(LastBox().find("Kept: the files of driver \"Corvel 24\": the spooler would not "
                             "delete them."),
              std::string::npos);
}

TEST_F(ModelRemovalTest, NoChangesNothing) {
    fakes.ui.messageBoxAnswers.push_back(dialog_result::kNo);
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kCancelled);
    EXPECT_EQ(Queues().size(), 3u);
    EXPECT_NE(fakes.spooler.FindDriver(kModel), nullptr);
    EXPECT_TRUE(fakes.registry.HasKey(kDriverKey));
    EXPECT_EQ(fakes.ui.messageBoxes.size(), 1u);
}

TEST_F(ModelRemovalTest, ARefusedQueueOrDriverKeepsWhatDependsOnIt) {
    fakes.control.FailCall("DeletePrinter", win32_error::kAccessDenied, 1);
    EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kFailed);
    EXPECT_EQ(fakes.control.CountCalls("DeletePrinterDriverEx"), 0u);
    EXPECT_TRUE(fakes.registry.HasKey(kDriverKey));
    // The model's own driver goes, the clash driver is refused: the key stays for a second run.
    fake::FakePlatform clash;
    clash.spooler.drivers = fakes.spooler.drivers;
    clash.registry.AddKey(kDriverKey);
    clash.control.FailCallAfter("DeletePrinterDriverEx", 1, win32_error::kAccessDenied);
    EXPECT_EQ(RemoveModel(clash.platform, kModel), FlowOutcome::kFailed);
    EXPECT_EQ(clash.spooler.FindDriver(kModel), nullptr);
    EXPECT_NE(clash.spooler.FindDriver("Corvel 24_1"), nullptr);
    EXPECT_TRUE(clash.registry.HasKey(kDriverKey));
}

TEST(ModelRemovalRefusals, EachRefusalFailsAndStopsWhatDependsOnIt) {
    const std::vector<std::string> calls = {"EnumPrinters",          "EnumPrinterDrivers",
                                            "OpenPrinter",           "DeletePrinter",
                                            "DeletePrinterDriverEx", "RegDeleteKey"};
    for (const std::string& call : calls) {
        fake::FakePlatform fakes;
        fakes.spooler.drivers.push_back({kModel, "Windows x64", "KT4_cx64.dll", "x.INI", "", ""});
        fakes.registry.AddKey(kDriverKey);
        fakes.spooler.printers.push_back({kModel, "COM1:", kModel, "WinPrint", "RAW", "", ""});
        fakes.control.FailCall(call, win32_error::kAccessDenied);
        EXPECT_EQ(RemoveModel(fakes.platform, kModel), FlowOutcome::kFailed) << call;
        // The driver goes only after its queues, the key only after the driver.
        if (fakes.spooler.FindDriver(kModel)) {
            EXPECT_TRUE(fakes.registry.HasKey(kDriverKey)) << call;
        }
        if (!fakes.spooler.printers.empty()) {
            EXPECT_NE(fakes.spooler.FindDriver(kModel), nullptr) << call;
        }
        EXPECT_EQ(fakes.ui.messageBoxes.back().style, message_box::kIconExclamation) << call;
        // A spooler that cannot say what there is was asked to remove nothing; the run is
        // elevated already, so "run it as administrator" would send the user the wrong way.
        const bool surveyFailed = call.starts_with("Enum");
        EXPECT_EQ(fakes.ui.messageBoxes.back().text.starts_with(
                      "Nothing was removed: the print spooler cannot list its printers and "
                      "drivers.\r\n\r\nsystem text for 5"),
                  surveyFailed)
            << call << ": " << fakes.ui.messageBoxes.back().text;
        EXPECT_EQ(fakes.ui.messageBoxes.back().text.find("as administrator"), std::string::npos);
        const std::map<std::string, std::string> refused = {
            {"OpenPrinter", "printer queue \"Corvel 24\""},
            {"DeletePrinter", "printer queue \"Corvel 24\""},
            {"DeletePrinterDriverEx", "driver \"Corvel 24\""},
            {"RegDeleteKey", "the registry key " + std::string(kDriverKey)}};
        if (!surveyFailed) {
            EXPECT_NE(fakes.ui.messageBoxes.back().text.find("Not removed: " + refused.at(call) +
                                                             ": system text for 5"),
                      std::string::npos)
                << fakes.ui.messageBoxes.back().text;
        }
        EXPECT_EQ(fakes.control.OpenHandles(), 0) << call;
    }
}

}  // namespace
}  // namespace qar
