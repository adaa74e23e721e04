// Saving on Windows: the new file replaces the old one whole, or the old one stays as it was.
#include "common/FileReplace.h"
#include "table/VetFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Folder {
    Folder() { fs::create_directories(path); }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    const fs::path path =
        fs::temp_directory_path() / ("tvx-replace-" + std::to_string(::GetCurrentProcessId()));
};

} // namespace

TEST(FileReplaceWindows, aFileAnotherProgramHoldsOpenIsNotWrittenInPlace) {
    Folder dir;
    const fs::path target = dir.path / "table.vet";
    std::ofstream(target, std::ios::binary) << "old table";
    // A reader that lets others write the file but not replace it: a save that wrote in place
    // would get through and leave the file half old, half new if cut short.
    const HANDLE reader =
        ::CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const auto error = ReplaceWhole(target.string(), "table.vet", "new table", NewFileMode());
    ::CloseHandle(reader);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->reason.rfind("Cannot write table.vet: ", 0), 0u) << error->reason;
    EXPECT_EQ(Read(target), "old table");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1)
        << "the unfinished new file is removed";

    EXPECT_FALSE(ReplaceWhole(target.string(), "table.vet", "new table", NewFileMode()));
    EXPECT_EQ(Read(target), "new table");
}

TEST(FileReplaceWindows, aReadOnlyFileIsReportedAndLeftAsItWas) {
    Folder dir;
    const fs::path target = dir.path / "table.vet";
    std::ofstream(target, std::ios::binary) << std::string(kVetFileBytes, '\7');
    ASSERT_TRUE(::SetFileAttributesA(target.string().c_str(), FILE_ATTRIBUTE_READONLY));
    const auto saved = WriteVetFile(target.string(), VetCells{});
    ::SetFileAttributesA(target.string().c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(std::holds_alternative<FileError>(saved));
    EXPECT_EQ(std::get<FileError>(saved).reason.rfind("Cannot write " + target.string(), 0), 0u);
    EXPECT_EQ(Read(target), std::string(kVetFileBytes, '\7'));
}
