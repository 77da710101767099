// The name of the temporary file that receives a corrected copy until it is complete.
//
// It lies beside its output name, in the output folder, so that the final rename stays on one
// volume, and it is a name of its own for every run and file, so that two runs writing into one
// folder (a shared network folder, the program started twice) never write into each other's copy:
//   <output file name>.<16 lowercase hex digits>.ostrand-tmp
//   e.g. a01.dm.00003a2f9c41b7e2.ostrand-tmp
// The file is created exclusively under that name, and only its creator deletes it.
#pragma once

#include <cstdint>
#include <string>

// The ending of every temporary file name.
extern const wchar_t kTemporarySuffix[];  // ".ostrand-tmp"

// `outputPath`, a dot, `token` as 16 lowercase hex digits, and ".ostrand-tmp".
std::wstring temporaryPathFor(const std::wstring& outputPath, std::uint64_t token);

// A token for a new temporary name: the process id in the high 32 bits (no two running processes
// of one machine share it), and in the low 32 bits a count of the calls made by this process,
// mixed with a start value drawn at random when the process first calls (so that the names of
// successive files differ, and those of processes on other machines that happen to have the same
// id are unlikely to meet). Safe to call from several threads.
std::uint64_t newTemporaryToken();
