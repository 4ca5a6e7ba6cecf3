// Byte streams an image decodes from: a read-only block of memory, or a C file stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CxFile {
 public:
  virtual ~CxFile() = default;
  // Reads up to size * count bytes; returns the number of whole items read.
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  // origin is SEEK_SET, SEEK_CUR or SEEK_END; false when the position would leave the stream.
  virtual bool Seek(int64_t offset, int origin) = 0;
  virtual int64_t Tell() const = 0;
  virtual int64_t Size() = 0;
  // True only for a loaded module's own resource bytes, which are as trusted as its code: a
  // decoder may skip recomputing their checksums. Never for anything read from outside.
  virtual bool ModuleOwned() const { return false; }
};

// A read-only stream over bytes the caller keeps alive.
class CxMemFile : public CxFile {
 public:
  CxMemFile(const void* data, size_t size);
  size_t Read(void* buffer, size_t size, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() const override;
  int64_t Size() override;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// A stream over an open C file; closes it when asked to own it.
class CxIOFile : public CxFile {
 public:
  explicit CxIOFile(FILE* file, bool owns = false);
  ~CxIOFile() override;
  CxIOFile(const CxIOFile&) = delete;
  CxIOFile& operator=(const CxIOFile&) = delete;
  size_t Read(void* buffer, size_t size, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() const override;
  int64_t Size() override;

 private:
  FILE* file_;
  bool owns_;
};
