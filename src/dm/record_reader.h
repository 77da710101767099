// Reads a DM file record by record, as bytes, keeping its own 64-bit byte position.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "dm/dm_record.h"

class RecordReader {
 public:
  RecordReader() = default;
  ~RecordReader();
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  // Opens the file for reading as bytes. False when it cannot be opened.
  bool open(const std::wstring& path);
  // Finds the record length from the file's first bytes (detectRecordLength) and the file size
  // in bytes, and returns to the start of the file. False when the file cannot be read or
  // positioned.
  bool prepare();

  int recordLength() const { return recordLength_; }
  std::int64_t fileSize() const { return fileSize_; }
  // Bytes read so far: the position of the next record.
  std::int64_t position() const { return position_; }

  // Reads the next record of the record length into `record` (its size becomes the number of
  // bytes read, the rest of its buffer blanks). Returns the number of bytes read: 0 at the end of
  // the input, less than the record length for a short final record.
  int read(Record& record);

  // True when a read failed for another reason than the end of the file.
  bool failed() const;
  void close();

 private:
  std::FILE* file_ = nullptr;
  int recordLength_ = 0;
  std::int64_t fileSize_ = 0;
  std::int64_t position_ = 0;
};
