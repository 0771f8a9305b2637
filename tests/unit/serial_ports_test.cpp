#include <gtest/gtest.h>

#include "discovery/serial_ports.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

constexpr WindowRef kOwner = 0x77;
constexpr std::string_view kNoPort = "Error-  /nGet RegEnumValue No Message";

class SerialPortsTest : public ::testing::Test {
  protected:
    int List() { return ListLocalPorts(fakes.registry, fakes.ui, kOwner, ports); }
    void AddValue(std::string_view name, std::vector<std::uint8_t> data) {
        fakes.registry.SetValue(kSerialPortMapKey, name, fake::kRegSz, std::move(data));
    }
    void AddText(std::string_view name, std::string_view text) {
        fakes.registry.SetStringValue(kSerialPortMapKey, name, text);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& box : fakes.ui.messageBoxes) texts.push_back(box.text);
        return texts;
    }

    fake::FakePlatform fakes;
    std::vector<std::string> ports;
};

TEST_F(SerialPortsTest, MissingMapGivesTheFallbackPairSilently) {
    EXPECT_EQ(List(), 1);
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1:", "COM2:"}));
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
}

TEST_F(SerialPortsTest, ValuesBecomePortNamesInIndexOrder) {
    AddText("\\Device\\Serial2", "COM3");
    AddText("\\Device\\Serial0", "COM1");
    EXPECT_EQ(List(), 1);
    EXPECT_EQ(ports, (std::vector<std::string>{"COM3:", "COM1:"}));
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(SerialPortsTest, EmptyMapShowsTheNoPortBoxOnce) {
    fakes.registry.AddKey(kSerialPortMapKey);
    EXPECT_EQ(List(), 0);
    EXPECT_TRUE(ports.empty());
    ASSERT_EQ(Texts(), std::vector<std::string>{std::string(kNoPort)});
    const auto& box = fakes.ui.messageBoxes[0];
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.style, message_box::kOk);
    EXPECT_EQ(box.owner, kOwner);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(SerialPortsTest, EmptyDataAndFirstByteOneNameNoPort) {
    AddValue("a", {});
    AddValue("b", {0});
    AddValue("c", {0x01, 0x00, 0x00, 0x00});
    EXPECT_EQ(List(), 0);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kNoPort)});
}

TEST_F(SerialPortsTest, DataWithoutTerminatorGivesTheSameEntry) {
    AddValue("a", {'C', 'O', 'M', '4'});
    AddText("b", "COM4");
    EXPECT_EQ(List(), 1);
    EXPECT_EQ(ports, (std::vector<std::string>{"COM4:", "COM4:"}));
}

TEST_F(SerialPortsTest, TextEndsAtItsFirstZeroAndTheColonIsAlwaysAppended) {
    AddValue("a", {'C', 'O', 'M', '5', 0, 'X'});
    AddText("b", "COM6:");
    EXPECT_EQ(List(), 1);
    EXPECT_EQ(ports, (std::vector<std::string>{"COM5:", "COM6::"}));
}

TEST_F(SerialPortsTest, DataLongerThanItsBufferFailsTheRead) {
    AddText("a", "COM1");
    AddValue("b", std::vector<std::uint8_t>(101, 'C'));
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(ports, std::vector<std::string>{"COM1:"});
    EXPECT_EQ(Texts(), std::vector<std::string>{"Get RegEnumValue Error"});
}

TEST_F(SerialPortsTest, DataOfExactlyTheBufferMinusOneIsRead) {
    AddValue("a", std::vector<std::uint8_t>(99, 'C'));
    EXPECT_EQ(List(), 1);
    EXPECT_EQ(ports.at(0).size(), 100u);
}

TEST_F(SerialPortsTest, NameLongerThan255CharactersFailsTheRead) {
    AddText(std::string(256, 'n'), "COM1");
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Get RegEnumValue Error"});
}

TEST_F(SerialPortsTest, ReadFailingMidWayKeepsTheEarlierEntries) {
    AddText("a", "COM1");
    AddText("b", "COM2");
    AddText("c", "COM3");
    fakes.control.FailCallAfter("RegEnumValue", 1, win32_error::kAccessDenied, 1);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(ports, std::vector<std::string>{"COM1:"});
    EXPECT_EQ(Texts(), std::vector<std::string>{"Get RegEnumValue Error"});
    EXPECT_EQ(fakes.control.CountCalls("RegEnumValue"), 2u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(SerialPortsTest, FiguresThatCannotBeReadShowTheirBox) {
    AddText("a", "COM1");
    fakes.control.FailCall("RegQueryInfoKey", win32_error::kAccessDenied);
    EXPECT_EQ(List(), 0);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(Texts(), std::vector<std::string>{"Get RegQueryInfoKey Error"});
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(SerialPortsTest, SecondCallAppendsASecondSet) {
    AddText("a", "COM1");
    List();
    List();
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1:", "COM1:"}));
}

}  // namespace
}  // namespace qar
