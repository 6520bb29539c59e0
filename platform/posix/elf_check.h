// elf_check.h - whether a library file holds everything its ELF header
// declares, checked before the dynamic loader maps it: the loader maps a
// cut-short file's segments past the file's end, and the program dies of a
// bus error as soon as it touches them.
#pragma once

#include <cstddef>

// Checks the file open as `fd` (read with pread, so its offset is left as
// it is). False, with a one-line reason in `why` (`size` bytes, at least 1),
// when it is an ELF file of this program's class and byte order whose
// header, program header table or any segment's bytes in the file reach
// past its end, or whose header is not one the loader could use. True for a
// whole file, and for anything else (not a regular file, not ELF, another
// class): the loader refuses that itself without mapping it. Called by
// platform::LoadLibraryA before dlopen.
bool elfFileWhole(int fd, char* why, size_t size);
