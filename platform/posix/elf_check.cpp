// elf_check.cpp - the library file's ELF header against the file's size.
#include "platform/posix/elf_check.h"

#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The ELF types of the running program: only a file of its own kind can be
// mapped into it.
#if UINTPTR_MAX == UINT64_MAX
using Header = Elf64_Ehdr;
using ProgramHeader = Elf64_Phdr;
constexpr unsigned char kClass = ELFCLASS64;
#else
using Header = Elf32_Ehdr;
using ProgramHeader = Elf32_Phdr;
constexpr unsigned char kClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kByteOrder = ELFDATA2LSB;
#else
constexpr unsigned char kByteOrder = ELFDATA2MSB;
#endif

// Reads exactly `length` bytes at `at`; false at the file's end or on an
// error.
bool readAt(int fd, void* out, size_t length, uint64_t at) {
  auto* bytes = static_cast<char*>(out);
  while (length > 0) {
    ssize_t got = pread(fd, bytes, length, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    at += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

// `offset` + `length`, or UINT64_MAX where that would overflow (a header
// field no file can satisfy).
uint64_t endOf(uint64_t offset, uint64_t length) {
  return length > UINT64_MAX - offset ? UINT64_MAX : offset + length;
}

bool cutShort(char* why, size_t size, const char* part, uint64_t needed, uint64_t held) {
  snprintf(why, size, "cut short (its %s need %llu bytes, the file has %llu)", part,
           static_cast<unsigned long long>(needed), static_cast<unsigned long long>(held));
  return false;
}

}  // namespace

bool elfFileWhole(int fd, char* why, size_t size) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return true;
  const auto held = static_cast<uint64_t>(status.st_size);
  unsigned char ident[EI_NIDENT];
  if (!readAt(fd, ident, sizeof ident, 0) || memcmp(ident, ELFMAG, SELFMAG) != 0 ||
      ident[EI_CLASS] != kClass || ident[EI_DATA] != kByteOrder) {
    return true;
  }
  Header header{};
  if (!readAt(fd, &header, sizeof header, 0))
    return cutShort(why, size, "header", sizeof header, held);
  if (header.e_phnum == 0 || header.e_phentsize != sizeof(ProgramHeader)) {
    snprintf(why, size, "a broken ELF header (%u program headers of %u bytes)",
             static_cast<unsigned>(header.e_phnum), static_cast<unsigned>(header.e_phentsize));
    return false;
  }
  const uint64_t table = endOf(header.e_phoff, uint64_t{header.e_phnum} * sizeof(ProgramHeader));
  if (table > held) return cutShort(why, size, "program headers", table, held);
  uint64_t needed = 0;
  for (uint64_t i = 0; i < header.e_phnum; ++i) {
    ProgramHeader segment{};
    if (!readAt(fd, &segment, sizeof segment, header.e_phoff + i * sizeof segment))
      return cutShort(why, size, "program headers", table, held);
    needed = std::max(needed, endOf(segment.p_offset, segment.p_filesz));
  }
  return needed <= held || cutShort(why, size, "segments", needed, held);
}
