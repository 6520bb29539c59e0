// crc32.h - CRC-32 as zlib's crc32() computes it (reflected polynomial
// 0xEDB88320, initial and final value all ones), so the canvas checksums of
// every build compare directly with the recorded ones. Portable, for the
// builds without libdeflate (the web page, the Windows capture tool); the
// Linux capture tool defines crc32Of over libdeflate, about three times as
// fast there (tools/capture/crc32_libdeflate.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of `length` bytes from `bytes` (null only with length 0).
uint32_t crc32Of(const uint8_t* bytes, size_t length);
