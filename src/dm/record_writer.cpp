#include "dm/record_writer.h"

#include "platform/platform.h"

std::unique_ptr<RecordWriter> FileRecordWriter::createNew(const std::wstring& path,
                                                          bool* nameTaken) {
  std::FILE* file = platform::createNewFile(path, nameTaken);
  if (file == nullptr) return nullptr;
  std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
  return std::unique_ptr<RecordWriter>(new FileRecordWriter(file));
}

FileRecordWriter::~FileRecordWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FileRecordWriter::write(const char* bytes, std::size_t count) {
  if (file_ == nullptr) return false;
  return std::fwrite(bytes, 1, count, file_) == count;
}

bool FileRecordWriter::close() {
  if (file_ == nullptr) return false;
  const bool written = std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;  // writes out the buffer
  file_ = nullptr;
  return written && closed;
}
