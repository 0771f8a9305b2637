// The print spooler as the installer relies on it.
#include <algorithm>

#include "conformance/conformance.h"
#include "platform/ignoring_case.h"
#include "platform/win32_error.h"

namespace qar::conformance {

namespace {

constexpr const char* kX64 = "Windows x64";

bool Lists(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A driver of the package's own files, which the outer setup leaves in the driver directory.
std::string AddedDriver(World& world) {
    const std::string directory = *world.spooler().DriverDirectory(kX64);
    const std::string name = Unique("Conformance");
    world.StageFile(directory + "\\" + name + ".INI", "[Model]\n");
    const DriverInfo3 driver{name,
                             kX64,
                             directory + "\\KT4_cx64.dll",
                             directory + "\\" + name + ".INI",
                             directory + "\\KT4_cx64UI.dll",
                             directory + "\\QARUI.HLP"};
    EXPECT_EQ(world.spooler().AddPrinterDriver3(driver), win32_error::kSuccess);
    return name;
}

// The fixture monitor, copied from where the outer setup leaves it into the real System32.
MonitorInfo2 MonitorInSystem32(World& world) {
    const Wow64RedirectionOff realSystem32(world.files());
    const Win32Error copied = world.files().Copy("C:\\windows\\system32\\qartemp\\qarum1Nt.dll",
                                                 "C:\\windows\\system32\\qarum1Nt.dll", false);
    EXPECT_EQ(copied, win32_error::kSuccess);
    return {Unique("QAR Conformance Port"), kX64, "qarum1Nt.dll"};
}

NewPrinterInfo2 QueueOn(const std::string& port, const std::string& driver) {
    return {Unique("Queue"), port, driver, "winprint", "RAW"};
}

// Index of the queue in the spooler's level-2 records, or Count() when it is not listed.
std::size_t Listed(const PrinterInfo2Block& records, std::string_view name) {
    std::size_t index = 0;
    while (index < records.Count() && records.PrinterName(index) != name) ++index;
    return index;
}

void ExpectListedOn(World& world, const NewPrinterInfo2& queue, std::string_view port) {
    const auto records = world.spooler().EnumLocalPrinters2();
    ASSERT_TRUE(records);
    const std::size_t index = Listed(**records, queue.printerName);
    ASSERT_LT(index, (*records)->Count());
    EXPECT_EQ((*records)->PortName(index), port);
    EXPECT_EQ((*records)->DriverName(index), queue.driverName);
}

const Case kSpoolerCases[] = {
    {"DriverDirectoryOfWindowsX64IsSpoolDriversX64InSystem32",
     [](World& world) {
         const auto directory = world.spooler().DriverDirectory(kX64);
         ASSERT_TRUE(directory);
         EXPECT_TRUE(EqualIgnoringCase(*directory, "C:\\windows\\system32\\spool\\drivers\\x64"))
             << *directory;
     }},
    {"DriverDirectoryOfAnUnknownEnvironmentFailsWith1805",
     [](World& world) {
         EXPECT_EQ(world.spooler().DriverDirectory("Windows Z80").error(),
                   win32_error::kInvalidEnvironment);
     }},
    {"AddedDriverIsListedForItsEnvironment",
     [](World& world) {
         const std::string driver = AddedDriver(world);
         EXPECT_TRUE(Lists(*world.spooler().ListDriverNames(kX64), driver));
     }},
    {"DriverWhoseFilesAreNotInTheDriverDirectoryIsRefused",
     [](World& world) {
         const std::string directory = *world.spooler().DriverDirectory(kX64);
         const DriverInfo3 driver{Unique("Missing"),          kX64, directory + "\\absent.dll",
                                  directory + "\\absent.INI", "",   ""};
         EXPECT_NE(world.spooler().AddPrinterDriver3(driver), win32_error::kSuccess);
         EXPECT_FALSE(Lists(*world.spooler().ListDriverNames(kX64), driver.name));
     },
     OnWine::kLenient,
     "AddPrinterDriver copies the files the record names from the driver directory: Wine adds a "
     "driver whose files are missing"},
    {"QueueOnAPortTheSpoolerDoesNotKnowIsRefusedWith1796",
     [](World& world) {
         const auto queue = world.spooler().AddPrinter2(QueueOn("USB042", AddedDriver(world)));
         EXPECT_EQ(queue.error(), win32_error::kUnknownPort);
     },
     OnWine::kLenient,
     "AddPrinter: the port must exist (\"pPortName ... identify the port\"); Wine adds the queue"},
    {"QueueWithATakenNameIsRefusedWith1802",
     [](World& world) {
         NewPrinterInfo2 queue = QueueOn("LPT1:", AddedDriver(world));
         ASSERT_TRUE(world.spooler().AddPrinter2(queue));
         // Printer names are compared ignoring case.
         std::transform(queue.printerName.begin(), queue.printerName.end(),
                        queue.printerName.begin(), ::toupper);
         EXPECT_EQ(world.spooler().AddPrinter2(queue).error(), win32_error::kPrinterAlreadyExists);
     },
     OnWine::kLenient,
     "AddPrinter fails with ERROR_PRINTER_ALREADY_EXISTS for a name in use; Wine 8 lets the "
     "process "
     "that added a queue add it again (one another process added it refuses: wine.manual_install)"},
    // 1797 on Windows, 87 under Wine: a refusal either way, which is all the installer reads.
    {"QueueOnADriverThatIsNotThereIsRefused",
     [](World& world) {
         const auto queue = world.spooler().AddPrinter2(QueueOn("LPT1:", Unique("NoDriver")));
         EXPECT_TRUE(queue.error() == win32_error::kUnknownPrinterDriver ||
                     queue.error() == win32_error::kInvalidParameter)
             << queue.error();
     }},
    {"AddedQueueIsListedWithItsPortAndDriver",
     [](World& world) {
         const NewPrinterInfo2 queue = QueueOn("LPT2:", AddedDriver(world));
         ASSERT_TRUE(world.spooler().AddPrinter2(queue));
         ExpectListedOn(world, queue, "LPT2:");
     }},
    {"OpeningAQueueThatIsNotThereFailsWith1801",
     [](World& world) {
         EXPECT_EQ(world.spooler().OpenPrinterByName(Unique("Nobody"), kPrinterAllAccess).error(),
                   win32_error::kInvalidPrinterName);
     }},
    // SetPrinter: "If the pSecurityDescriptor member is NULL, the security is not changed."
    {"QueuesOwnRecordWithANullSecurityDescriptorChangesOnlyItsPort",
     [](World& world) {
         const NewPrinterInfo2 queue = QueueOn("LPT1:", AddedDriver(world));
         auto handle = world.spooler().AddPrinter2(queue);
         ASSERT_TRUE(handle);
         auto own = (*handle)->GetPrinter2();
         ASSERT_TRUE(own);
         ASSERT_EQ((*own)->Count(), 1u);
         (*own)->SetPortKeepingSecurity(0, "LPT3:");
         EXPECT_EQ((*handle)->SetPrinter2(**own, 0), win32_error::kSuccess);
         ExpectListedOn(world, queue, "LPT3:");
     }},
    {"DeletedQueueIsNoLongerListed",
     [](World& world) {
         const NewPrinterInfo2 queue = QueueOn("LPT1:", AddedDriver(world));
         auto handle = world.spooler().AddPrinter2(queue);
         ASSERT_TRUE(handle);
         EXPECT_EQ((*handle)->DeletePrinter(), win32_error::kSuccess);
         handle->reset();
         const auto records = world.spooler().EnumLocalPrinters2();
         EXPECT_EQ(Listed(**records, queue.printerName), (*records)->Count());
     }},
    {"DriverOfAQueueIsNotDeletedWith3001",
     [](World& world) {
         const NewPrinterInfo2 queue = QueueOn("LPT1:", AddedDriver(world));
         ASSERT_TRUE(world.spooler().AddPrinter2(queue));
         EXPECT_EQ(world.spooler().DeleteDriver(kX64, queue.driverName, 0),
                   win32_error::kPrinterDriverInUse);
     },
     OnWine::kLenient,
     "DeletePrinterDriverEx: ERROR_PRINTER_DRIVER_IN_USE while a queue uses the driver; Wine "
     "deletes it"},
    {"DeletedDriverIsNoLongerListed",
     [](World& world) {
         const std::string driver = AddedDriver(world);
         EXPECT_EQ(world.spooler().DeleteDriver(kX64, driver, 0), win32_error::kSuccess);
         EXPECT_FALSE(Lists(*world.spooler().ListDriverNames(kX64), driver));
     }},
    {"MonitorsListTheLocalPortMonitor",
     [](World& world) {
         EXPECT_TRUE(Lists(*world.spooler().EnumMonitorNames(4096), "Local Port"));
     }},
    {"MonitorNamesBeyondTheBufferFailWith122",
     [](World& world) {
         EXPECT_EQ(world.spooler().EnumMonitorNames(8).error(), win32_error::kInsufficientBuffer);
     }},
    // The spooler loads the monitor at once; the error code is Wine's (Windows documents none).
    {"MonitorWhoseDllIsNotInSystem32IsRefusedWith126",
     [](World& world) {
         const MonitorInfo2 monitor{Unique("Monitor"), kX64, "qar-absent-monitor.dll"};
         EXPECT_EQ(world.spooler().AddMonitor2(monitor), win32_error::kModuleNotFound);
         EXPECT_FALSE(Lists(*world.spooler().EnumMonitorNames(4096), monitor.name));
     }},
    {"AddedMonitorIsListedOnceAndGoesWhenRemoved",
     [](World& world) {
         const MonitorInfo2 monitor = MonitorInSystem32(world);
         ASSERT_EQ(world.spooler().AddMonitor2(monitor), win32_error::kSuccess);
         EXPECT_TRUE(Lists(*world.spooler().EnumMonitorNames(4096), monitor.name));
         EXPECT_EQ(world.spooler().AddMonitor2(monitor),
                   win32_error::kPrinterMonitorAlreadyInstalled);
         EXPECT_EQ(world.spooler().RemoveMonitor(kX64, monitor.name), win32_error::kSuccess);
         EXPECT_FALSE(Lists(*world.spooler().EnumMonitorNames(4096), monitor.name));
     }},
    // AddMonitor: "you can only add a monitor that was written for the architecture of the
    // server"; on 64-bit Windows that is "Windows x64", whatever the caller's bitness.
    {"MonitorForAnotherEnvironmentThanTheSpoolersIsRefused",
     [](World& world) {
         MonitorInfo2 monitor = MonitorInSystem32(world);
         monitor.environment = "Windows NT x86";
         EXPECT_EQ(world.spooler().AddMonitor2(monitor), win32_error::kInvalidEnvironment);
         world.spooler().RemoveMonitor(monitor.environment, monitor.name);
     },
     OnWine::kLenient,
     "AddMonitor takes only the server's own environment; Wine's spooler adds the monitor for "
     "any environment it knows"},
    {"RemovingAMonitorThatIsNotThereFailsWith3000",
     [](World& world) {
         EXPECT_EQ(world.spooler().RemoveMonitor(kX64, Unique("Monitor")),
                   win32_error::kUnknownMonitor);
     }},
    {"PortsListTheLocalPorts",
     [](World& world) {
         const auto ports = world.spooler().EnumPortNames();
         ASSERT_TRUE(ports);
         for (const char* port : {"COM1:", "LPT1:", "FILE:"}) EXPECT_TRUE(Lists(*ports, port));
     }},
    // 1796 on Windows, 50 under Wine: both say that there is no such port.
    {"DeletingAPortThatIsNotThereAnswersNoSuchPort",
     [](World& world) {
         const Win32Error deleted = world.spooler().RemovePort(kNoWindow, "USB042");
         EXPECT_TRUE(IsNoSuchPort(deleted)) << deleted;
         EXPECT_TRUE(PortIsGone(world.spooler(), "USB042", deleted));
     }},
};

QAR_CONFORMANCE_SUITE(Spooler, kSpoolerCases);

}  // namespace

}  // namespace qar::conformance
