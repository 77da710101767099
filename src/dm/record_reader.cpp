#include "dm/record_reader.h"

#include <cstring>

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
  // A length of 85 or 86 comes either from the line end at its last byte or, for a file of
  // that few bytes, from the number of bytes read.
  lineEnd_.clear();
  if (recordLength_ == 85 && start[84] == '\n') lineEnd_ = "\n";
  if (recordLength_ == 86 && start[85] == '\n') lineEnd_ = "\r\n";
  if (!platform::seekFile(file_, 0, SEEK_END)) return false;
  fileSize_ = platform::tellFile(file_);
  if (fileSize_ < 0) return false;
  if (!platform::seekFile(file_, 0, SEEK_SET)) return false;
  std::clearerr(file_);
  position_ = 0;
  // Without a line end the length is only the number of bytes read: records cannot be told
  // apart in a longer file.
  outOfStep_ = lineEnd_.empty() && fileSize_ > recordLength_;
  return true;
}

bool RecordReader::isOneLine(const Record& record) const {
  const int fieldBytes = recordLength_ - static_cast<int>(lineEnd_.size());
  return std::memcmp(record.bytes + fieldBytes, lineEnd_.data(), lineEnd_.size()) == 0 &&
         std::memchr(record.bytes, '\n', static_cast<std::size_t>(fieldBytes)) == nullptr;
}

int RecordReader::read(Record& record) {
  record.size = 0;
  if (file_ != nullptr && recordLength_ > 0 && !outOfStep_) {
    record.size = static_cast<int>(
        std::fread(record.bytes, 1, static_cast<std::size_t>(recordLength_), file_));
    if (record.size == recordLength_ && !lineEnd_.empty() && !isOneLine(record)) {
      outOfStep_ = true;
      record.size = 0;
    }
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
