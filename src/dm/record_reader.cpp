#include "dm/record_reader.h"

#include "platform/platform.h"

RecordReader::~RecordReader() { close(); }

bool RecordReader::open(const std::wstring& path) {
  close();
  file_ = platform::openFile(path, "rb");
  if (file_ == nullptr) return false;
  // Records are small: a larger buffer keeps the system calls few on big files.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  return true;
}

bool RecordReader::prepare() {
  if (file_ == nullptr) return false;
  char start[kMaxRecordLength];
  const std::size_t count = std::fread(start, 1, sizeof start, file_);
  if (std::ferror(file_)) return false;
  recordLength_ = detectRecordLength(start, static_cast<int>(count));
  if (!platform::seekFile(file_, 0, SEEK_END)) return false;
  fileSize_ = platform::tellFile(file_);
  if (fileSize_ < 0) return false;
  if (!platform::seekFile(file_, 0, SEEK_SET)) return false;
  std::clearerr(file_);
  position_ = 0;
  return true;
}

int RecordReader::read(Record& record) {
  record.size = 0;
  if (file_ != nullptr && recordLength_ > 0) {
    record.size = static_cast<int>(
        std::fread(record.bytes, 1, static_cast<std::size_t>(recordLength_), file_));
  }
  record.blankTail();
  position_ += record.size;
  return record.size;
}

bool RecordReader::failed() const { return file_ != nullptr && std::ferror(file_) != 0; }

void RecordReader::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}
