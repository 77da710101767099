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
  // positioned. A file of more than one record whose first record shows no line end cannot be
  // split into records: it is out of step from the start.
  bool prepare();

  int recordLength() const { return recordLength_; }
  std::int64_t fileSize() const { return fileSize_; }
  // Bytes read so far: the position of the next record.
  std::int64_t position() const { return position_; }

  // Reads the next record of the record length into `record` (its size becomes the number of
  // bytes read, the rest of its buffer blanks). Returns the number of bytes read: 0 at the end of
  // the input or once the records are out of step, less than the record length for a short
  // final record.
  int read(Record& record);

  // True when the file's records are not all of its record length, so that every record from
  // there on would be read shifted. In a file whose records end in a line end (LF for length 85,
  // CR LF for 86) every record read at full length must be one line: 84 columns without a line
  // end, then exactly that line end. A line that ends early or late, or a line end of the other
  // kind, fails this. A short final record is not looked at: it is the end of the file. Once
  // true, every read gives 0 and delivers no bytes.
  bool outOfStep() const { return outOfStep_; }

  // True when a read failed for another reason than the end of the file.
  bool failed() const;
  void close();

 private:
  // True when a full-length record is 84 columns without a line end followed by the file's line
  // end.
  bool isOneLine(const Record& record) const;

  std::FILE* file_ = nullptr;
  int recordLength_ = 0;
  std::int64_t fileSize_ = 0;
  std::int64_t position_ = 0;
  // The line end that ends every record ("\n" or "\r\n"); empty when the file shows none.
  std::string lineEnd_;
  bool outOfStep_ = false;
};
