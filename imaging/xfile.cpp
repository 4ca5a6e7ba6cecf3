#include "imaging/xfile.h"

#include <cstring>

CxMemFile::CxMemFile(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

size_t CxMemFile::Read(void* buffer, size_t size, size_t count) {
  if (buffer == nullptr || size == 0 || count == 0 || position_ >= size_) return 0;
  const size_t left = size_ - position_;
  // Whole items only, and no overflow of size * count on a 32-bit size_t.
  size_t items = left / size;
  if (items > count) items = count;
  const size_t bytes = items * size;
  if (bytes != 0) std::memcpy(buffer, data_ + position_, bytes);
  position_ += bytes;
  return items;
}

bool CxMemFile::Seek(int64_t offset, int origin) {
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<int64_t>(position_);
      break;
    case SEEK_END:
      base = static_cast<int64_t>(size_);
      break;
    default:
      return false;
  }
  // Refuse before adding so that huge offsets cannot overflow.
  if (offset < -base || offset > static_cast<int64_t>(size_) - base) return false;
  position_ = static_cast<size_t>(base + offset);
  return true;
}

int64_t CxMemFile::Tell() const { return static_cast<int64_t>(position_); }

int64_t CxMemFile::Size() { return static_cast<int64_t>(size_); }

namespace {

int SeekFile(FILE* file, int64_t offset, int origin) {
#if defined(_WIN32)
  return _fseeki64(file, offset, origin);
#else
  return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

int64_t TellFile(FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

CxIOFile::CxIOFile(FILE* file, bool owns) : file_(file), owns_(owns) {}

CxIOFile::~CxIOFile() {
  if (owns_ && file_ != nullptr) fclose(file_);
}

size_t CxIOFile::Read(void* buffer, size_t size, size_t count) {
  if (file_ == nullptr || buffer == nullptr) return 0;
  return fread(buffer, size, count, file_);
}

bool CxIOFile::Seek(int64_t offset, int origin) { return file_ != nullptr && SeekFile(file_, offset, origin) == 0; }

int64_t CxIOFile::Tell() const { return file_ != nullptr ? TellFile(file_) : -1; }

int64_t CxIOFile::Size() {
  if (file_ == nullptr) return -1;
  const int64_t position = TellFile(file_);
  if (position < 0 || SeekFile(file_, 0, SEEK_END) != 0) return -1;
  const int64_t size = TellFile(file_);
  SeekFile(file_, position, SEEK_SET);
  return size;
}
