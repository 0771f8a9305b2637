#include "cli/command_line.h"

#include <algorithm>
#include <array>

#include "cli/command_flows.h"
#include "core/catalogue.h"
#include "platform/ignoring_case.h"

namespace qar {

namespace {

// The switch's name without its "/" or "-"; nothing for a plain value.
std::optional<std::string_view> SwitchName(std::string_view argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return std::nullopt;
    return argument.substr(1);
}

class Parser {
  public:
    explicit Parser(std::span<const std::string> arguments) : arguments_(arguments) {}

    CommandLine Parse() {
        // Every argument is read, so that /? wins wherever it stands.
        for (index_ = 0; index_ < arguments_.size(); ++index_) {
            Take(arguments_[index_]);
        }
        if (help_) {
            CommandLine help;
            help.command = Command::kHelp;
            help.quiet = line_.quiet;
            return help;
        }
        if (line_.error.empty()) CheckCommand();
        return line_;
    }

  private:
    void Take(const std::string& argument) {
        const auto name = SwitchName(argument);
        if (!name) return Fail("unexpected value \"" + argument + "\"");
        if (*name == "?" || EqualIgnoringCase(*name, "help")) {
            help_ = true;
            return;
        }
        // A switch given twice may mean two different things to whoever wrote the line.
        const auto same = [&](const std::string& seen) { return EqualIgnoringCase(seen, *name); };
        if (std::ranges::any_of(seen_, same)) return Fail(argument + " given twice");
        seen_.emplace_back(*name);
        if (EqualIgnoringCase(*name, "model")) {
            TakeValue(line_.model, "/model");
        } else if (EqualIgnoringCase(*name, "port")) {
            TakeValue(line_.port, "/port");
        } else if (EqualIgnoringCase(*name, "log")) {
            TakeValue(line_.logPath, "/log");
        } else if (EqualIgnoringCase(*name, "quiet")) {
            line_.quiet = true;
        } else if (EqualIgnoringCase(*name, "addqueue")) {
            line_.addQueue = true;
        } else {
            TakeCommand(*name, argument);
        }
    }

    void TakeCommand(std::string_view name, const std::string& argument) {
        for (const CommandFlow& command : CommandFlows()) {
            if (!command.name.empty() && EqualIgnoringCase(name, command.name)) {
                commands_.push_back(command.command);
                return;
            }
        }
        Fail("unknown switch " + argument);
    }

    void TakeValue(std::string& value, std::string_view option) {
        if (index_ + 1 >= arguments_.size() || SwitchName(arguments_[index_ + 1]) ||
            arguments_[index_ + 1].empty()) {
            return Fail(std::string(option) + " needs a value");
        }
        value = arguments_[++index_];
    }

    void CheckCommand() {
        const bool model = !line_.model.empty();
        const bool port = !line_.port.empty();
        const bool uninstall =
            std::find(commands_.begin(), commands_.end(), Command::kUninstall) != commands_.end();
        if (uninstall) {
            // Its /model names what to remove; there is no port to it.
            if (!model) return Fail("/uninstall needs /model");
            if (port) return Fail("/uninstall takes no /port");
        } else {
            if (model != port) return Fail("/model and /port go together");
            if (model) commands_.push_back(Command::kManual);
        }
        if (commands_.empty()) return Fail("no command given");
        if (commands_.size() > 1) return Fail("only one command at a time");
        line_.command = commands_.front();
    }

    // The first fault found is the one reported.
    void Fail(std::string why) {
        if (line_.error.empty()) line_.error = std::move(why);
    }

    std::span<const std::string> arguments_;
    std::size_t index_ = 0;
    CommandLine line_;
    std::vector<Command> commands_;
    std::vector<std::string> seen_;  // switch names as given
    bool help_ = false;
};

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> arguments) {
    return Parser(arguments).Parse();
}

std::optional<std::string_view> ResolveModel(std::string_view given) {
    for (std::string_view model : kModelNames) {
        if (EqualIgnoringCase(model, given)) return model;
    }
    return std::nullopt;
}

std::optional<std::string> ResolvePort(std::string_view given,
                                       const std::vector<std::string>& knownPorts) {
    for (const std::string& port : knownPorts) {
        if (EqualIgnoringCase(port, given)) return port;
    }
    for (const std::string& port : knownPorts) {
        if (port.ends_with(':') && EqualIgnoringCase(port.substr(0, port.size() - 1), given)) {
            return port;
        }
    }
    return std::nullopt;
}

// Short lines without column padding: a message box wraps long lines, and a wrapped padded line
// breaks a description under the wrong switch.
std::string UsageText() {
    std::string text =
        "Modelprobe_u [/quiet] [/log FILE] COMMAND\r\n"
        "\r\n"
        "Commands, one at a time:\r\n"
        "/model NAME /port PORT: install NAME on PORT\r\n"
        "/usb: find the cutter on USB and install it\r\n"
        "/installusb: add the USB port monitor\r\n"
        "/uninstallusb: remove the USB port monitor\r\n"
        "/updateport: move the printer aaTZ-60 to USB001\r\n"
        "/uninstall /model NAME: remove NAME again\r\n"
        "\r\n"
        "Options:\r\n"
        "/quiet: no window\r\n"
        "/addqueue: with /quiet, a numbered queue\r\n"
        "    when the queue name is taken\r\n"
        "/log FILE: append a log of the run to FILE\r\n"
        "/?: this help\r\n"
        "\r\n"
        "Exit codes:\r\n"
        "0 done, 87 bad command line,\r\n"
        "1167 no cutter gave a usable answer (/usb),\r\n"
        "1602 cancelled, 1603 failed,\r\n"
        "1618 another run is busy, 1622 log not writable\r\n"
        "\r\n"
        "Models:";
    for (std::string_view model : kModelNames) {
        text += "\r\n";
        text += model;
    }
    return text;
}

}  // namespace qar
