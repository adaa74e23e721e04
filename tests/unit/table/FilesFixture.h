// A table and a scratch folder of its own for each test of .vet files through the File menu.
#pragma once

#include "Fakes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

struct Files : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tvx-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        h.Connect();
        for (int k = 0; k < kTableSize; ++k) {
            h.form.veTable[k] = static_cast<std::int16_t>(1000 + k); // no file byte can be this
        }
        untouched = h.form.veTable;
        h.serial.log.clear();
        h.canvas.ops.clear();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name) const { return (dir / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void Load(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuLoadVEfromfile_Click();
    }
    void Save(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuSaveVEtofile_Click();
    }
    void ExpectStatus(const std::string& part) {
        EXPECT_NE(h.status.last().find(part), std::string::npos) << h.status.last();
    }

    fs::path dir;
    CoreHarness h;
    VeTable untouched{};
};
