#include "cli/command_run.h"

#include <functional>
#include <memory>
#include <optional>

#include "cli/command_flows.h"
#include "cli/command_host.h"
#include "cli/logged_files.h"
#include "cli/logged_registry.h"
#include "cli/logged_shell.h"
#include "cli/logged_spooler.h"
#include "cli/quiet_user_interface.h"
#include "dialogs/select_port.h"
#include "discovery/serial_ports.h"
#include "log/event_log.h"
#include "log/run_log.h"
#include "qar_version.h"
#include "spooler/install_chain.h"
#include "spooler/package_cleanup.h"

namespace qar {

namespace {

std::string QuotedArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        const bool quote = argument.empty() || argument.find(' ') != std::string::npos;
        text += quote ? "\"" + argument + "\"" : argument;
    }
    return text;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Why a good command line cannot run on this machine: the exit code and what to tell.
struct Refusal {
    int exitCode = exit_code::kBadCommandLine;
    std::string why;
};

// The ports /port may name: those the selection dialog lists and those the spooler knows. A
// spooler that cannot list its ports (stopped, disabled) is the machine's fault, not the line's.
Result<std::vector<std::string>> KnownPorts(Platform& platform) {
    EventLog nowhere(nullptr, platform.ui, platform.clock);
    QuietUserInterface silent(platform.ui, nowhere, false);
    std::vector<std::string> ports;
    ListLocalPorts(platform.registry, silent, kNoWindow, ports);
    ports.emplace_back(kParallelPort);
    auto spoolerPorts = platform.spooler.EnumPortNames();
    if (!spoolerPorts) return Failure{spoolerPorts.error()};
    ports.insert(ports.end(), spoolerPorts->begin(), spoolerPorts->end());
    return ports;
}

// Fills the selection's model and port; why the run cannot go on when it cannot.
std::optional<Refusal> ResolveSelection(Platform& platform, const CommandLine& line,
                                        Selection& selection) {
    const auto model = ResolveModel(line.model);
    if (!model) return Refusal{exit_code::kBadCommandLine, "unknown model \"" + line.model + "\""};
    selection.model = *model;
    if (line.command == Command::kUninstall) return std::nullopt;
    const auto ports = KnownPorts(platform);
    if (!ports) {
        return Refusal{exit_code::kFailed, "the print spooler cannot list its ports: " +
                                               ErrorText(platform.ui, ports.error())};
    }
    const auto port = ResolvePort(line.port, *ports);
    if (!port) {
        return Refusal{exit_code::kBadCommandLine,
                       "unknown port \"" + line.port + "\"; known ports: " + Listed(*ports)};
    }
    selection.port = *port;
    return std::nullopt;
}

int ExitCode(FlowOutcome outcome, bool quiet) {
    switch (outcome) {
        case FlowOutcome::kDone:
        case FlowOutcome::kDeclined:
            return exit_code::kSuccess;
        case FlowOutcome::kCancelled:
            return exit_code::kCancelled;
        case FlowOutcome::kNoCutter:
            return quiet ? exit_code::kNoCutter : exit_code::kCancelled;
        case FlowOutcome::kNoModel:
            return exit_code::kNoCutter;
        case FlowOutcome::kFailed:
            break;
    }
    return exit_code::kFailed;
}

void ShowUnlessQuiet(Platform& platform, const CommandLine& line, std::string_view text,
                     unsigned style) {
    if (!line.quiet) platform.ui.ShowMessageBox(kNoWindow, text, kApplicationName, style);
}

// A shown run's flow gets an owner window of the program's own, the main window kept hidden, so
// that no box or dialog gets a taskbar entry; the window ends as soon as the flow has.
class OwnerWindow final : public MainDialogHandler {
  public:
    OwnerWindow(CommandHost& host, const std::function<FlowOutcome()>& flow)
        : host_(host), flow_(flow) {}
    bool OnInitDialog(MainDialogWindow& window) override {
        host_.SetOwner(window.Handle());
        outcome_ = flow_();
        host_.SetOwner(kNoWindow);
        window.EndDialog(dialog_result::kOk);
        return true;
    }
    bool OnCommand(std::uint32_t) override { return false; }
    bool OnSysCommand(std::uint32_t) override { return false; }
    FlowOutcome Outcome() const { return outcome_; }

  private:
    CommandHost& host_;
    const std::function<FlowOutcome()>& flow_;
    FlowOutcome outcome_ = FlowOutcome::kFailed;
};

FlowOutcome RunOwned(ApplicationDialogs& windows, CommandHost& host,
                     const std::function<FlowOutcome()>& flow) {
    OwnerWindow owner(host, flow);
    windows.RunMainDialog(owner);
    return owner.Outcome();
}

int RunCommand(Platform& platform, ApplicationDialogs& windows, InstallState& state,
               const CommandLine& line, const Selection& selection, EventLog& log) {
    auto lock = platform.processes.TryLock(kInstanceLockNamespace, kInstanceLockName);
    if (!lock || !*lock) {
        const std::string why =
            lock ? "Another run of the installer is changing this machine; nothing was done. Run "
                   "this again when it has finished."
                 : "The installer's machine-wide lock cannot be taken: " +
                       ErrorText(platform.ui, lock.error()) + "; nothing was done.";
        log.Record(why);
        ShowUnlessQuiet(platform, line, why, message_box::kOk | message_box::kIconExclamation);
        return lock ? exit_code::kBusy : exit_code::kFailed;
    }
    LoggedSpooler spooler(platform.spooler, log);
    LoggedRegistry registry(platform.registry, log);
    LoggedFileSystem files(platform.files, log);
    LoggedShell shell(platform.shell, log);
    // Quiet is decided here, once: the run's boxes, its dialogs and whether anyone is there.
    // The command line's consent: /addqueue to a numbered queue, /uninstall to the removal.
    QuietUserInterface quiet(platform.ui, log,
                             line.addQueue || line.command == Command::kUninstall);
    LoggedUserInterface shown(platform.ui, windows, log);
    UserInterface& ui = line.quiet ? static_cast<UserInterface&>(quiet) : shown;
    DialogRunner& dialogs = line.quiet ? static_cast<DialogRunner&>(quiet) : shown;
    Platform logged{
        spooler, registry, platform.deviceSetup, files, platform.processes, platform.profile,
        shell,   ui,       platform.clock};

    const CommandFlow& command = *FlowOf(line.command);
    CommandHost host(logged, dialogs, state, selection, line.quiet);
    const std::function<FlowOutcome()> flow = [&] { return command.run(logged, state, host); };
    if (!command.installs) return ExitCode(flow(), line.quiet);
    const FlowOutcome outcome = line.quiet ? flow() : RunOwned(windows, host, flow);
    if (line.quiet && outcome == FlowOutcome::kNoCutter) {
        log.Record("no cutter answered on USB; a quiet run starts no detector and shows no help");
    }
    if (outcome == FlowOutcome::kNoModel) {
        log.Record("the cutter on USB gave no usable model name: nothing installed");
    }
    // As after every run, the package leaves the driver directory, once.
    if (!files.RemovalsAttempted()) {
        if (auto directory = logged.spooler.DriverDirectory(kDriverEnvironment)) {
            DeletePackageFiles(logged.files, state.packageFiles, *directory);
        }
    }
    log.Record("package files removed: " + std::to_string(files.Removed()) + " of " +
               std::to_string(state.packageFiles.Count()));
    return ExitCode(outcome, line.quiet);
}

int RunLogged(Platform& platform, ApplicationDialogs& windows, InstallState& state,
              const CommandLine& line, EventLog& log) {
    Selection selection;
    std::optional<Refusal> refusal;
    if (!line.error.empty()) {
        refusal = Refusal{exit_code::kBadCommandLine, line.error};
    } else if (line.command == Command::kManual || line.command == Command::kUninstall) {
        refusal = ResolveSelection(platform, line, selection);
    }
    if (!refusal) return RunCommand(platform, windows, state, line, selection, log);
    if (refusal->exitCode != exit_code::kBadCommandLine) {
        log.Record(refusal->why + "; nothing done");
        ShowUnlessQuiet(platform, line, refusal->why,
                        message_box::kOk | message_box::kIconExclamation);
        return refusal->exitCode;
    }
    log.Record("bad command line: " + refusal->why + "; nothing done");
    ShowUnlessQuiet(platform, line, refusal->why + "\r\n\r\n" + UsageText(),
                    message_box::kOk | message_box::kIconExclamation);
    return exit_code::kBadCommandLine;
}

}  // namespace

int RunCommandLine(Platform& platform, ApplicationDialogs& windows, InstallState& state,
                   const CommandLine& line, const std::vector<std::string>& arguments) {
    if (line.command == Command::kHelp) {
        ShowUnlessQuiet(platform, line, UsageText(),
                        message_box::kOk | message_box::kIconInformation);
        return exit_code::kSuccess;
    }
    std::unique_ptr<LogFile> file;
    if (!line.logPath.empty()) {
        RunLog opened = OpenRunLog(platform.files, platform.ui, line.logPath);
        if (!opened.file) {
            ShowUnlessQuiet(
                platform, line,
                "The log file \"" + line.logPath + "\" cannot be opened: " + opened.refusal,
                message_box::kOk | message_box::kIconExclamation);
            return exit_code::kLogNotWritable;
        }
        file = std::move(opened.file);
    }
    EventLog log(file.get(), platform.ui, platform.clock);
    log.Record(std::string(kApplicationName) + " " + QAR_VERSION +
               ", command line: " + QuotedArguments(arguments));
    const int code = RunLogged(platform, windows, state, line, log);
    log.Record("exit code " + std::to_string(code));
    return code;
}

}  // namespace qar
