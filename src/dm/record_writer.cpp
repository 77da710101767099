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
  const std::size_t written = std::fwrite(bytes, 1, count, file_);
  bytesWritten_ += static_cast<long long>(written);
  return written == count;
}

bool FileRecordWriter::close() {
  if (file_ == nullptr) return false;
  // The buffer is written out here and checked, and the system's length of the file must be every
  // byte written: a C runtime whose fclose loses a failed last write (seen with a full disk under
  // Wine) would otherwise leave a short copy that looks complete.
  const bool flushed = std::fflush(file_) == 0;
  const bool written = std::ferror(file_) == 0;
  const bool complete = platform::systemFileLength(file_) == bytesWritten_;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && written && complete && closed;
}
