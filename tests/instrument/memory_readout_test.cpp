#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "instrument/memory_readout.h"
#include "instrument_bench.h"

namespace kelmor {
namespace {

using testing::InstrumentTest;
using testing::Step;

class MemoryReadoutTest : public InstrumentTest {
  protected:
    std::unique_ptr<MemoryReadout> readout;

    void Attach(Model model) {
        InstrumentTest::Attach(model);
        std::vector<std::uint8_t>& memory = sim->Kelmor()->MutableMemory();
        for (std::size_t i = 0; i < memory.size(); ++i) {
            memory[i] = static_cast<std::uint8_t>(i * 131 + i / 256 + 7);
        }
        memory[256] = 0x01;
        memory[257] = 0x02;
        readout = std::make_unique<MemoryReadout>();
    }
    ReadoutOutcome Run() { return readout->Run(*link, attached, identity, nullptr, nullptr); }
    // The staged image holds the memory apart from the positions listed.
    void ExpectImageIsMemoryApartFrom(int size, std::initializer_list<int> apart) {
        for (int i = 0; i < size; ++i) {
            if (std::find(apart.begin(), apart.end(), i) == apart.end()) {
                ASSERT_EQ(readout->StagedImage()[i], sim->Kelmor()->Memory()[i]) << "byte " << i;
            }
        }
    }
    static QByteArray FileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(MemoryReadoutTest, V5ImageTagRegistersAndPauses) {
    Attach(Model::V5);
    // Left by an earlier, longer read: the V5 decode takes its last nibble from here.
    port->FTReceiveBuffer[16383] = 0x0B;
    bool transferring = false;
    const ReadoutOutcome outcome = readout->Run(
        *link, attached, identity, [&] { transferring = sim->Kelmor()->ReceivedWrites().empty(); },
        nullptr);
    ASSERT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_TRUE(transferring);
    EXPECT_EQ(outcome.model, Model::V5);
    const ImageBuffer& image = readout->StagedImage();
    EXPECT_EQ(image[0], '1');
    EXPECT_EQ(image[8191], (sim->Kelmor()->Memory()[8191] & 0xF0) | 0x0B);
    ExpectImageIsMemoryApartFrom(8192, {0, 8191});

    const auto registers = sim->Kelmor()->Registers();
    const MemoryReadout::RegisterBlock& block = readout->StagedRegisterBlock();
    EXPECT_TRUE(std::equal(registers.begin(), registers.end(), block.begin()));
    EXPECT_EQ(block[9], sim->Kelmor()->Memory()[9]);  // positions 18, 19 still hold memory byte 9
    EXPECT_TRUE(std::all_of(block.begin() + 10, block.end(), [](auto b) { return b == 0; }));

    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}}, {50, {0xF3, 0x3F}}, {50, {0x04, 0x0D}}, {125, {0x03, 0x00}}};
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps(), std::vector<int>({25, 25, 25, 25, 25, 100}));
    EXPECT_FALSE(sim->KelmorOpen());
}

TEST_F(MemoryReadoutTest, V6AsksForOneByteLessThanTheWholeNibbleStream) {
    Attach(Model::V6);
    std::vector<std::uint32_t> requested;
    const ReadoutOutcome outcome = readout->Run(
        *link, attached, identity, nullptr,
        [&requested](std::uint32_t, std::uint32_t count) { requested.push_back(count); });
    ASSERT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_EQ(readout->StagedImage()[0], '2');
    EXPECT_EQ(readout->StagedImage()[32767], sim->Kelmor()->Memory()[32767] & 0xF0);
    ExpectImageIsMemoryApartFrom(32768, {0, 32767});
    ASSERT_FALSE(requested.empty());
    EXPECT_EQ(requested.front(), 65535u);
    EXPECT_EQ(Steps().back(), Step(275, {0x03, 0x00}));
    EXPECT_EQ(clock.Sleeps(), std::vector<int>({25, 25, 25, 25, 25, 250, 25}));

    // The progress was for the memory reply only.
    const std::size_t calls = requested.size();
    Run();
    EXPECT_EQ(requested.size(), calls);
}

TEST_F(MemoryReadoutTest, V7ImageCoefficientsAndWords) {
    Attach(Model::V7);
    const ReadoutOutcome outcome = Run();
    ASSERT_EQ(outcome.status, CommandStatus::Ok);
    const ImageBuffer& image = readout->StagedImage();
    EXPECT_EQ(image[0], '3');
    // Coefficient bytes 9..15 come from reply bytes 1..7; byte 16 from the position
    // past the 8-byte reply, where the register reply left register 8, the year.
    const auto registers = sim->Kelmor()->Registers();
    EXPECT_EQ(image[16], registers[8]);
    ExpectImageIsMemoryApartFrom(131071, {0, 16});
    const MemoryReadout::RegisterBlock& block = readout->StagedRegisterBlock();
    EXPECT_TRUE(std::equal(registers.begin(), registers.end(), block.begin()));
    EXPECT_EQ(block[9], sim->Kelmor()->Memory()[9]);

    EXPECT_EQ(readout->StagedV7Words()[0], 258);
    const std::vector<std::uint8_t>& memory = sim->Kelmor()->Memory();
    EXPECT_EQ(readout->StagedV7Words()[1919], memory[4094] << 8 | memory[4095]);
    const std::string csv(readout->V7ECsv());
    EXPECT_EQ(csv.substr(0, 6), "258,\r\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 256);
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");

    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}}, {50, {0xF3, 0x3F}}, {50, {'M'}}, {20, {'0'}}, {10, {'P'}}};
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps(), std::vector<int>({25, 25, 25, 25, 10, 10, 10, 10}));
}

TEST_F(MemoryReadoutTest, FilesOfEachModelHaveTheirSizes) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const auto& [model, name, size] :
         {std::tuple{Model::V5, "V5.tmp", 8192}, std::tuple{Model::V6, "V6.tmp", 32768},
          std::tuple{Model::V7, "V7.tmp", 131071}}) {
        Attach(model);
        ASSERT_EQ(Run().status, CommandStatus::Ok);
        EXPECT_TRUE(readout->WriteFiles(folder.path()).isEmpty());
        const QByteArray image = FileBytes(folder.filePath(name));
        ASSERT_EQ(image.size(), size) << name;
        EXPECT_EQ(static_cast<std::uint8_t>(image[0]), LayoutOf(model).tag);
        EXPECT_EQ(image,
                  QByteArray(reinterpret_cast<const char*>(readout->StagedImage().data()), size));
        EXPECT_EQ(FileBytes(folder.filePath("V5C.tmp")).size(), 1024);
    }
    const QByteArray csv = FileBytes(folder.filePath("V7E.csv"));
    EXPECT_EQ(csv,
              QByteArray(readout->V7ECsv().data(), static_cast<int>(readout->V7ECsv().size())));
}

TEST_F(MemoryReadoutTest, AnUnwritableFolderWarnsAndStopsNothing) {
    Attach(Model::V7);
    ASSERT_EQ(Run().status, CommandStatus::Ok);
    const QStringList warnings = readout->WriteFiles("/nonexistent/kelmor/folder");
    EXPECT_EQ(warnings.size(), 3);
    EXPECT_TRUE(warnings.join(' ').contains("V7E.csv"));
    EXPECT_TRUE(readout->HasReadout());
}

// Every way the instrument can fail ends the read-out with the port closed and nothing
// staged, so the window keeps what it had.
TEST_F(MemoryReadoutTest, MisbehavioursEndCleanly) {
    struct Case {
        const char* name;
        Model model;
        std::function<void(SimulatedFtdiBus&)> misbehave;
        CommandStatus status;
    };
    const Case cases[] = {
        {"silent", Model::V6, [](auto& s) { s.Kelmor()->SetSilent(true); }, CommandStatus::Timeout},
        {"short memory", Model::V5,
         [](auto& s) { s.Kelmor()->SetShortReply(KelmorCommand::ReadMemory, 1); },
         CommandStatus::Timeout},
        {"short registers", Model::V6,
         [](auto& s) { s.Kelmor()->SetShortReply(KelmorCommand::ReadRegisters, 3); },
         CommandStatus::Timeout},
        {"short coefficients", Model::V7,
         [](auto& s) { s.Kelmor()->SetShortReply(KelmorCommand::ReadPressureCoefficients, 1); },
         CommandStatus::Timeout},
        {"unplugged mid-read", Model::V7,
         [](auto& s) { s.Kelmor()->CutLineDuringMemoryReply(70000); }, CommandStatus::NoDevice},
        {"a write fails", Model::V6,
         [](auto& s) { s.Kelmor()->SetWriteFault(WriteFault::Fails, 2); }, CommandStatus::Io},
        {"unplugged mid-write", Model::V7,
         [](auto& s) { s.Kelmor()->SetWriteFault(WriteFault::Unplugs, 3); },
         CommandStatus::NoDevice},
        {"wrong model", Model::V6, [](auto& s) { s.Kelmor()->SetModelCode('4'); },
         CommandStatus::Protocol},
        {"open refused", Model::V5, [](auto& s) { s.RefuseOpen(LinkStatus::InUse); },
         CommandStatus::InUse},
    };
    for (const Case& c : cases) {
        Attach(c.model);
        ASSERT_EQ(Run().status, CommandStatus::Ok);
        const std::int64_t start = clock.MonotonicMs();
        c.misbehave(*sim);
        const ReadoutOutcome outcome = Run();
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.opened, c.status != CommandStatus::InUse) << c.name;
        EXPECT_FALSE(readout->HasReadout()) << c.name;
        EXPECT_FALSE(outcome.model) << c.name;
        EXPECT_FALSE(sim->KelmorOpen()) << c.name;
        EXPECT_LE(clock.MonotonicMs() - start, 400 + kReadIdleTimeoutMs) << c.name;
        EXPECT_FALSE(readout->WriteFiles(QDir::tempPath()).isEmpty()) << c.name;
    }
}

TEST_F(MemoryReadoutTest, AnUnknownModelGetsNoMemoryCommand) {
    Attach(Model::V6);
    sim->Kelmor()->SetModelCode('4');
    EXPECT_EQ(Run().modelCode, '4');
    for (const ReceivedCommand& command : sim->Kelmor()->ReceivedCommands()) {
        EXPECT_EQ(command.command, KelmorCommand::Identify);
    }
}

TEST_F(MemoryReadoutTest, NotAttachedSendsNothing) {
    Attach(Model::V5);
    bool transferring = false;
    const ReadoutOutcome outcome = readout->Run(
        *link, false, identity, [&] { transferring = true; }, nullptr);
    EXPECT_EQ(outcome.status, CommandStatus::NoDevice);
    EXPECT_FALSE(outcome.opened);
    EXPECT_FALSE(transferring);
    EXPECT_TRUE(sim->Kelmor()->ReceivedWrites().empty());
    EXPECT_FALSE(sim->KelmorOpen());
}

}  // namespace
}  // namespace kelmor
