// Where the DM file corrector writes its records: an interface, so that a test can make a write
// fail mid-file, and the file implementation.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  // Appends `count` bytes. False when not all of them could be written.
  virtual bool write(const char* bytes, std::size_t count) = 0;
  // Hands the last bytes to the system and closes. False when the data could not be written out
  // completely. Called once. Putting the data on the disk is the next step, taken by whoever
  // puts the file under its final name (platform::flushFileToDisk).
  virtual bool close() = 0;
};

// Writes to a new file.
class FileRecordWriter : public RecordWriter {
 public:
  // Creates a new file at `path`; an existing file is never opened (it may be another run's).
  // nullptr when the file cannot be created; then *nameTaken (when given) tells whether an
  // entry of that name exists.
  static std::unique_ptr<RecordWriter> createNew(const std::wstring& path,
                                                 bool* nameTaken = nullptr);

  ~FileRecordWriter() override;
  bool write(const char* bytes, std::size_t count) override;
  bool close() override;

 private:
  explicit FileRecordWriter(std::FILE* file) : file_(file) {}
  std::FILE* file_;
  long long bytesWritten_ = 0;  // bytes accepted by write()
};

// Takes every record and keeps none: the output of a dry run, which writes nothing anywhere.
class DiscardingRecordWriter : public RecordWriter {
 public:
  bool write(const char*, std::size_t) override { return true; }
  bool close() override { return true; }
};
