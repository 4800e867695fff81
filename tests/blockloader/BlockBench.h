#pragma once
// A bench with one bare block-bootloader chip, images for it, and the host's
// progress lines.
#include "blockloader/blockloader.h"
#include "sim/Bench.h"
#include "sim/blockloader/BlockBootloaderDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace blocktest {

using Bytes = std::vector<std::uint8_t>;
using Mode = sim::BlockBootloader::Mode;
using Options = std::map<std::string, std::string>;

// 14-bit program words, high byte first, starting with a jump past the vectors.
inline Bytes image(std::size_t size, unsigned seed = 1) {
    Bytes bytes(size);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto word = i == 0 ? 0x3180u : i == 2 ? 0x2820u : (i * 0x1F3 + seed * 0x2B9) & 0x3FFF;
        bytes[i] = static_cast<std::uint8_t>(word >> 8);
        bytes[i + 1] = static_cast<std::uint8_t>(word);
    }
    return bytes;
}

struct BlockBench {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    sim::Module* module = nullptr;
    sim::BlockBootloaderDevice* device = nullptr;
    std::unique_ptr<UartLink> link;
    std::vector<std::string> lines;

    explicit BlockBench(Options options = {}) {
        module = &bench->add("block-bootloader", sim::ModelOptions(std::move(options)));
        device = &module->device<sim::BlockBootloaderDevice>();
        link = std::make_unique<UartLink>(0);
        link->setBaudRate(2000000);
        link->setTimeouts(300, 300);
    }

    sim::BlockChip& chip() { return device->chip(); }
    sim::BlockBootloader& bootloader() { return device->bootloader(); }
    void program(const Bytes& bytes) {
        hexldr::programImage(*link, bytes, [this](const std::string& line) { lines.push_back(line); });
    }
    void expectFailure(const Bytes& bytes, const char* message, std::uint32_t status) {
        try {
            program(bytes);
            ADD_FAILURE() << "no exception";
        } catch (const hexldr::Exception& e) {
            EXPECT_STREQ(message, e.what());
            EXPECT_EQ(status, e.status());
        }
    }

    // Program memory holds the image but for the bootloader's own first bytes,
    // with the image's start jump as the application vector.
    void expectHolds(const Bytes& bytes) {
        const auto memory = chip().programMemory();
        ASSERT_GE(bytes.size(), memory.size());
        for (std::size_t i = sim::BlockChip::ownBytes; i < memory.size() - sim::BlockChip::vectorBytes; ++i)
            ASSERT_EQ(bytes[i], memory[i]) << "program memory at " << i;
        EXPECT_EQ((sim::BlockChip::Vector{bytes[0], bytes[1], bytes[2], bytes[3]}),
                  chip().applicationVector());
    }

    // After a failure the chip runs its application, or waits in its
    // bootloader and answers there; nothing in between.
    void expectSettled(Mode expected) {
        EXPECT_FALSE(module->line().rts);
        EXPECT_FALSE(module->line().breakOn);
        ASSERT_EQ(expected, bootloader().mode());
        EXPECT_EQ(expected == Mode::Application, chip().applicationIntact());
        if (expected != Mode::Bootloader) return;
        link->purge(FTDI::PURGE_RX); // what arrived before the reset
        EXPECT_EQ("5A13", hexldr::exchange(*link, "i"));
    }
};

} // namespace blocktest
