// What the fuzz targets share: a check that aborts, so libFuzzer keeps the input, and a scratch
// file in memory that is the process's own, so parallel workers never write the same one.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#define FUZZ_REQUIRE(cond) ((cond) ? void() : FuzzFail(#cond, __FILE__, __LINE__))

[[noreturn]] inline void FuzzFail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

inline const std::string scratchFile = "/dev/shm/tvx-fuzz-" + std::to_string(::getpid());

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
