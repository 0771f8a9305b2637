#include "spooler/model_removal.h"

#include <algorithm>
#include <cctype>

#include "core/install_host.h"
#include "platform/ignoring_case.h"
#include "spooler/install_chain.h"

namespace qar {

namespace {

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return text;
}

// A local queue as the removal sees it.
struct Queue {
    std::string name;
    std::string driver;
};

// What is there for the model, and what became of it.
struct Removal {
    std::vector<std::string> queues;   // the installer's queues of the model
    std::vector<std::string> drivers;  // the model's driver and the numbered ones of a clash
    std::vector<Queue> otherQueues;
    std::vector<std::string> removed;
    std::vector<std::string> kept;
    std::vector<std::string> refused;  // each with the system's text for its error
};

class ModelRemoval {
  public:
    ModelRemoval(Platform& platform, std::string_view model) : platform_(platform), model_(model) {}

    FlowOutcome Run() {
        if (const Win32Error surveyed = Survey(); surveyed != win32_error::kSuccess) {
            ReportFailedSurvey(surveyed);
            return FlowOutcome::kFailed;
        }
        if (!Confirmed()) return FlowOutcome::kCancelled;
        RemoveQueues();
        if (removal_.refused.empty()) RemoveDrivers();
        Report();
        return removal_.refused.empty() ? FlowOutcome::kDone : FlowOutcome::kFailed;
    }

  private:
    Win32Error Survey() {
        auto printers = platform_.spooler.EnumLocalPrinters2();
        if (!printers) return printers.error();
        auto drivers = platform_.spooler.ListDriverNames(kDriverEnvironment);
        if (!drivers) return drivers.error();
        for (std::size_t index = 0; index < (*printers)->Count(); ++index) {
            const Queue printer{(*printers)->PrinterName(index), (*printers)->DriverName(index)};
            if (EqualIgnoringCase(printer.driver, model_) &&
                IsInstallerQueueName(printer.name, model_)) {
                removal_.queues.push_back(printer.name);
            } else {
                removal_.otherQueues.push_back(printer);
            }
        }
        // After a name clash the installer also registers the driver under the queue's name.
        for (const std::string& driver : *drivers) {
            if (IsInstallerQueueName(driver, model_)) removal_.drivers.push_back(driver);
        }
        return win32_error::kSuccess;
    }

    // Nothing was tried: the spooler could not say what there is (stopped or disabled, say).
    void ReportFailedSurvey(Win32Error code) {
        platform_.ui.ShowMessageBox(kNoWindow,
                                    "Nothing was removed: the print spooler cannot list its "
                                    "printers and drivers.\r\n\r\n" +
                                        platform_.ui.SystemMessageText(code),
                                    kInstallCaption, message_box::kIconExclamation);
    }

    // The other queues that use a driver: they are the user's, and keep it.
    std::vector<std::string> UsersOf(std::string_view driver) const {
        std::vector<std::string> users;
        for (const Queue& printer : removal_.otherQueues) {
            if (EqualIgnoringCase(printer.driver, driver)) users.push_back(printer.name);
        }
        return users;
    }

    bool Confirmed() {
        if (removal_.queues.empty() && removal_.drivers.empty()) return true;
        std::string text = "Remove the QAR cutter driver " + model_ + "?\r\n\r\n";
        text += removal_.queues.empty() ? "No printer queue of it.\r\n"
                                        : "Printer queues: " + Listed(removal_.queues) + "\r\n";
        if (!removal_.drivers.empty()) {
            text +=
                (removal_.drivers.size() > 1 ? "Drivers: " : "Driver: ") + Listed(removal_.drivers);
        }
        const std::vector<std::string> users = UsersOf(model_);
        if (!users.empty()) text += ", kept while " + Listed(users) + " use it";
        return platform_.ui.ShowMessageBox(kNoWindow, text, kInstallCaption,
                                           message_box::kYesNo | message_box::kIconQuestion) ==
               dialog_result::kYes;
    }

    void RemoveQueues() {
        for (const std::string& queue : removal_.queues) {
            auto printer = platform_.spooler.OpenPrinterByName(queue, kPrinterAllAccess);
            const Win32Error result = printer ? (*printer)->DeletePrinter() : printer.error();
            if (result == win32_error::kSuccess) {
                removal_.removed.push_back("printer queue \"" + queue + "\"");
            } else {
                Refused("printer queue \"" + queue + "\"", result);
            }
        }
    }

    void RemoveDrivers() {
        bool modelDriverGone = true;
        for (const std::string& driver : removal_.drivers) {
            const std::vector<std::string> users = UsersOf(driver);
            bool gone = false;
            if (users.empty()) {
                gone = DeleteDriver(driver);
            } else {
                removal_.kept.push_back("driver \"" + driver + "\": the printer queue" +
                                        (users.size() > 1 ? "s " : " ") + Listed(users) +
                                        " still use" + (users.size() > 1 ? "" : "s") + " it");
            }
            if (EqualIgnoringCase(driver, model_)) modelDriverGone = gone;
        }
        // The installation made the key for the model's own driver: it goes with that driver.
        if (!modelDriverGone || !removal_.refused.empty()) return;
        const std::string keyPath = std::string(kDriverKeyPrefix) + "\\" + model_;
        if (HoldsARegistration(keyPath)) {
            removal_.kept.push_back(
                "the registry key " + keyPath +
                ": it holds values or subkeys, so it is a driver's registration "
                "and not the empty key the installation made");
            return;
        }
        const Win32Error key = platform_.registry.DeleteLocalMachineKey(keyPath);
        if (key == win32_error::kSuccess) {
            removal_.removed.push_back("its registry key");
        } else if (key != win32_error::kFileNotFound) {
            Refused("the registry key " + keyPath, key);
        }
    }

    // On a print server a real x86 driver of the model's name is registered under this key; the
    // installation only ever makes it empty. A key that cannot be read is left alone too.
    bool HoldsARegistration(const std::string& keyPath) {
        auto key = platform_.registry.OpenLocalMachineKey(keyPath, RegistryAccess::kRead);
        if (!key) return key.error() != win32_error::kFileNotFound;
        auto figures = (*key)->QueryInfo();
        return !figures || figures->valueCount != 0 || figures->subKeyCount != 0;
    }

    // The driver and the files no other driver uses; a spooler that refuses to delete files
    // (Wine's does) still takes the registration alone, and the files stay.
    bool DeleteDriver(const std::string& driver) {
        Win32Error result =
            platform_.spooler.DeleteDriver(kDriverEnvironment, driver, kDeleteUnusedDriverFiles);
        if (result == win32_error::kSuccess) {
            removal_.removed.push_back("driver \"" + driver + "\" and its unused files");
            return true;
        }
        if (result != win32_error::kPrinterDriverInUse) {
            result = platform_.spooler.DeleteDriver(kDriverEnvironment, driver, 0);
            if (result == win32_error::kSuccess) {
                removal_.removed.push_back("driver \"" + driver + "\"");
                removal_.kept.push_back("the files of driver \"" + driver +
                                        "\": the spooler would not delete them");
                return true;
            }
        }
        if (result == win32_error::kPrinterDriverInUse) {
            removal_.kept.push_back("driver \"" + driver + "\": the spooler says it is in use");
        } else {
            Refused("driver \"" + driver + "\"", result);
        }
        return false;
    }

    void Report() {
        std::string text;
        if (removal_.removed.empty() && removal_.kept.empty() && removal_.refused.empty()) {
            text = "Nothing of " + model_ + " to remove.";
        } else {
            for (const std::string& item : removal_.removed) text += "Removed: " + item + ".\r\n";
            for (const std::string& item : removal_.kept) text += "Kept: " + item + ".\r\n";
            for (const std::string& item : removal_.refused)
                text += "Not removed: " + item + "\r\n";
        }
        while (text.ends_with("\r\n")) text.resize(text.size() - 2);
        platform_.ui.ShowMessageBox(kNoWindow, text, kInstallCaption,
                                    removal_.refused.empty() ? message_box::kIconInformation
                                                             : message_box::kIconExclamation);
    }

    // The program runs elevated already: what Windows refused is named with its own reason.
    void Refused(const std::string& item, Win32Error code) {
        std::string why = platform_.ui.SystemMessageText(code);
        while (!why.empty() && (why.back() == '\r' || why.back() == '\n' || why.back() == ' ')) {
            why.pop_back();
        }
        removal_.refused.push_back(item + ": " + why);
    }

    Platform& platform_;
    std::string model_;
    Removal removal_;
};

}  // namespace

bool IsInstallerQueueName(std::string_view queue, std::string_view model) {
    if (queue.size() < model.size() || !EqualIgnoringCase(queue.substr(0, model.size()), model)) {
        return false;
    }
    const std::string_view rest = queue.substr(model.size());
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.front() != '_') return false;
    return std::all_of(rest.begin() + 1, rest.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

FlowOutcome RemoveModel(Platform& platform, std::string_view model) {
    return ModelRemoval(platform, model).Run();
}

}  // namespace qar
