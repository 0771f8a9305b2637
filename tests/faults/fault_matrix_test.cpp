// Runs every flow once cleanly to learn the platform calls it makes, then once per call with
// that call failing. Each run must end without a leaked handle and without deleting anything
// but package files; what the user saw is written into the matrix, which must match the one
// kept in docs/faults.md (QAR_UPDATE_FAULTS_DOC=1 rewrites it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "fault_flows.h"

namespace qar::faults {
namespace {

constexpr const char* kBeginMarker = "<!-- matrix:begin -->";
constexpr const char* kEndMarker = "<!-- matrix:end -->";

// Calls the fakes record but that cannot fail (closing, pausing, showing).
const std::set<std::string> kNotFailable = {"MessageBox",   "DialogBox",
                                            "ClosePrinter", "CloseHandle",
                                            "Sleep",        "SetupDiDestroyDeviceInfoList"};

// A representative error for each call: what Windows reports when it goes wrong.
Win32Error RepresentativeError(const std::string& call) {
    static const std::map<std::string, Win32Error> kErrors = {
        {"GetPrinterDriverDirectory", win32_error::kInsufficientBuffer},
        {"GetWindowsDirectory", win32_error::kInsufficientBuffer},
        {"GetSystemDirectory", win32_error::kInsufficientBuffer},
        {"AddPrinterDriver", win32_error::kFileNotFound},
        {"AddPrinter", win32_error::kUnknownPrinterDriver},
        {"OpenPrinter", win32_error::kInvalidPrinterName},
        {"EnumMonitors", win32_error::kInsufficientBuffer},
        {"AddMonitor", win32_error::kModuleNotFound},
        {"DeleteMonitor", win32_error::kUnknownMonitor},
        {"DeletePort", win32_error::kUnknownPort},
        {"RegOpenKeyEx", win32_error::kFileNotFound},
        {"RegEnumValue", win32_error::kMoreData},
        {"CreateFile", win32_error::kFileNotFound},
        {"ReadFile", win32_error::kOperationAborted},
        {"CopyFile", win32_error::kFileNotFound},
        {"CreateProcess", win32_error::kFileNotFound},
        {"EnumPrinters", win32_error::kNotEnoughMemory},
    };
    auto found = kErrors.find(call);
    return found == kErrors.end() ? win32_error::kAccessDenied : found->second;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The DLLs the program loads from System32 on first use, and the calls each one answers, read
// from the program's own tables (a struct per DLL, its file name in the comment), named as the
// fakes record them: without the A or W of the ANSI and wide forms. When one cannot be loaded,
// every call into it fails with 126.
std::map<std::string, std::set<std::string>> LoadedOnFirstUse() {
    const std::string tables = ReadFile(QAR_SYSTEM_FUNCTIONS);
    const std::regex dll(R"(struct \w+ \{  // (\S+))"), function(R"(QAR_EXPORT\((\w+)\))");
    std::map<std::string, std::set<std::string>> calls;
    std::string current;
    std::istringstream lines(tables);
    for (std::string line; std::getline(lines, line);) {
        std::smatch found;
        if (std::regex_search(line, found, dll)) current = found[1];
        if (current.empty() || !std::regex_search(line, found, function)) continue;
        std::string name = found[1];
        const char last = name.back();
        if ((last == 'A' || last == 'W') &&
            std::islower(static_cast<unsigned char>(name[name.size() - 2]))) {
            name.pop_back();
        }
        calls[current].insert(name);
    }
    EXPECT_TRUE(calls.contains("winspool.drv") && calls.contains("setupapi.dll"))
        << QAR_SYSTEM_FUNCTIONS;
    return calls;
}

std::string CallName(const std::string& call) {
    return call.substr(0, call.find('('));
}

std::vector<std::string> FailableCalls(const std::vector<std::string>& calls) {
    std::vector<std::string> names;
    for (const std::string& call : calls) {
        const std::string name = CallName(call);
        if (kNotFailable.count(name) == 0 &&
            std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
    return names;
}

std::string Escape(std::string text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '|') {
            escaped += "\\|";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

struct Run {
    std::string boxes;
    std::string offer;
    std::string cleanUp;
    std::string queues;
};

std::string DescribeBoxes(const fake::FakeUserInterface& ui) {
    if (ui.messageBoxes.empty()) return "none";
    std::string text;
    for (const fake::ShownMessageBox& box : ui.messageBoxes) {
        if (!text.empty()) text += "; ";
        text += box.caption + ": \"" + Escape(box.text) + "\"";
    }
    return text;
}

std::string DescribeSpooler(const fake::FakeSpooler& spooler) {
    std::string text;
    auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
    for (const fake::FakePrinter& printer : spooler.printers) {
        add(printer.name + " on " + printer.port);
    }
    for (const MonitorInfo2& monitor : spooler.monitors) {
        if (monitor.name != "Local Port") add("monitor " + monitor.name);
    }
    for (const auto& [monitor, ports] : spooler.monitorPorts) {
        for (const std::string& port : ports) add("port " + port);
    }
    return text.empty() ? "none" : text;
}

// Data that the platform hands back short or oversized, per flow.
struct DataFault {
    std::string flow;
    std::string label;
    std::function<void(fake::FakePlatform&)> apply;
};

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<DataFault> DataFaults() {
    const std::string map = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
    return {
        {"manual install", "serial map value of 101 bytes",
         [map](fake::FakePlatform& fakes) {
             fakes.registry.SetValue(map, "\\Device\\Serial9", fake::kRegSz,
                                     std::vector<std::uint8_t>(101, 'C'));
         }},
        {"manual install", "serial map values without port names",
         [map](fake::FakePlatform& fakes) {
             fakes.registry.RemoveKey(map);
             fakes.registry.SetValue(map, "a", fake::kRegDword, {1, 0, 0, 0});
         }},
        {"automatic detection, cutter present", "reply without comma",
         [](fake::FakePlatform& fakes) {
             fakes.files.devices.begin()->second.reply = Bytes("QAR");
         }},
        {"automatic detection, cutter present", "reply of 300 bytes",
         [](fake::FakePlatform& fakes) {
             fakes.files.devices.begin()->second.reply =
                 Bytes("a,b," + std::string(292, 'M') + ",x");
         }},
        {"automatic detection, cutter present", "reply naming a path",
         [](fake::FakePlatform& fakes) {
             fakes.files.devices.begin()->second.reply = Bytes("a,b,..\\..\\evil,");
         }},
        {"automatic detection, cutter present", "mute cutter",
         [](fake::FakePlatform& fakes) { fakes.files.devices.begin()->second.mute = true; }},
        {"automatic detection, no cutter", "verdict of 300 characters",
         [](fake::FakePlatform& fakes) {
             fakes.processes.programs.clear();
             fakes.files.files["C:\\WINDOWS\\system32\\spool\\drivers\\x64\\~QarUDev.dat"] =
                 "[UDevice]\nmode=2" + std::string(298, '2') + "\n";
         }},
    };
}

void CheckInvariants(const fake::FakePlatform& fakes, const std::string& label) {
    EXPECT_EQ(fakes.control.OpenHandles(), 0) << label;
    for (const std::string& call : fakes.control.CallsNamed("DeleteFile")) {
        const std::string path = call.substr(std::string("DeleteFile(").size(),
                                             call.size() - std::string("DeleteFile(").size() - 1);
        const std::string folder = std::string(kDriverDirectory) + "\\";
        ASSERT_TRUE(path.starts_with(folder)) << label << ": " << path;
        const std::string name = path.substr(folder.size());
        EXPECT_NE(std::find(kPackageFileNames.begin(), kPackageFileNames.end(), name),
                  kPackageFileNames.end())
            << label << ": " << path;
    }
    for (const char* kept : {"KT4_cx64.dll", "KT4_cx64UI.dll", "user file.txt"}) {
        EXPECT_TRUE(fakes.files.Exists(std::string(kDriverDirectory) + "\\" + kept)) << label;
    }
    // One box per step at most: no retry loop may keep showing boxes.
    EXPECT_LE(fakes.ui.messageBoxes.size(), 4u) << label;
}

Run RunFlow(const Flow& flow, const std::function<void(fake::FakePlatform&)>& inject,
            const std::string& label, std::vector<std::string>* calls = nullptr) {
    fake::FakePlatform fakes;
    InstallState state;
    flow.prepare(fakes);
    flow.run(fakes, state, [&] {
        fakes.control.Reset();
        fakes.ui.messageBoxes.clear();
        fakes.ui.warrantyOfferRuns = 0;
        inject(fakes);
    });
    CheckInvariants(fakes, label);
    if (calls) *calls = fakes.control.Calls();
    const auto deletions = fakes.control.CountCalls("DeleteFile");
    return {DescribeBoxes(fakes.ui), fakes.ui.warrantyOfferRuns ? "yes" : "no",
            deletions ? std::to_string(deletions) + " deletions" : "none",
            DescribeSpooler(fakes.spooler)};
}

std::string MatrixRow(const std::string& flow, const std::string& fault, const Run& run) {
    return "| " + flow + " | " + fault + " | " + run.boxes + " | " + run.offer + " | " +
           run.cleanUp + " | " + run.queues + " |\n";
}

std::string BuildMatrix(int& cases) {
    std::string matrix =
        "| Flow | Failing call (error) | Boxes shown | Offer | Clean-up | Spooler afterwards |\n"
        "|---|---|---|---|---|---|\n";
    cases = 0;
    const auto loadedOnFirstUse = LoadedOnFirstUse();
    for (const Flow& flow : AllFlows()) {
        std::vector<std::string> calls;
        matrix += MatrixRow(flow.name, "none",
                            RunFlow(
                                flow, [](fake::FakePlatform&) {}, flow.name, &calls));
        ++cases;
        for (const std::string& call : FailableCalls(calls)) {
            const Win32Error code = RepresentativeError(call);
            const std::string label = flow.name + " / " + call;
            const Run run = RunFlow(
                flow, [&](fake::FakePlatform& fakes) { fakes.control.FailCall(call, code); },
                label);
            matrix += MatrixRow(flow.name, call + " (" + std::to_string(code) + ")", run);
            ++cases;
        }
        for (const auto& [dll, dllCalls] : loadedOnFirstUse) {
            const std::vector<std::string> failable = FailableCalls(calls);
            if (std::none_of(failable.begin(), failable.end(),
                             [&](const std::string& call) { return dllCalls.count(call) > 0; })) {
                continue;
            }
            const Run run = RunFlow(
                flow,
                [&](fake::FakePlatform& fakes) {
                    fakes.control.FailModule(dll, dllCalls, win32_error::kModuleNotFound);
                },
                flow.name + " / " + dll);
            matrix += MatrixRow(flow.name, dll + " not loadable (126)", run);
            ++cases;
        }
        for (const DataFault& fault : DataFaults()) {
            if (fault.flow != flow.name) continue;
            matrix += MatrixRow(flow.name, "data: " + fault.label,
                                RunFlow(flow, fault.apply, flow.name + " / " + fault.label));
            ++cases;
        }
    }
    return matrix;
}

TEST(FaultMatrix, EveryFlowSurvivesEveryFailingCallAsDocumented) {
    int cases = 0;
    const std::string matrix = BuildMatrix(cases);
    std::cout << matrix << "\n" << cases << " cases\n";

    const std::string document = ReadFile(QAR_FAULTS_DOC);
    const auto begin = document.find(kBeginMarker);
    const auto end = document.find(kEndMarker);
    const std::string generated = std::string(kBeginMarker) + "\n" + matrix + kEndMarker;
    if (std::getenv("QAR_UPDATE_FAULTS_DOC")) {
        ASSERT_NE(begin, std::string::npos);
        ASSERT_NE(end, std::string::npos);
        std::ofstream(QAR_FAULTS_DOC) << document.substr(0, begin) << generated
                                      << document.substr(end + std::string(kEndMarker).size());
        return;
    }
    ASSERT_NE(begin, std::string::npos) << "docs/faults.md has no matrix";
    EXPECT_EQ(document.substr(begin, end + std::string(kEndMarker).size() - begin), generated)
        << "the outcomes changed: review them and run `make faults-doc`";
}

}  // namespace
}  // namespace qar::faults
