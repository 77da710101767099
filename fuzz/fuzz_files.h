// Scratch files for the fuzz targets: each input is written to a file of this process's own, so
// that the readers under test see it exactly as they would see a user's file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A folder of this process under the temporary folder, created on first use, ending with '/'.
const std::string& fuzzFolder();

// Writes the bytes to `name` inside fuzzFolder() and returns its full path as wide text.
std::wstring writeFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size);
