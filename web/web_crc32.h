// web_crc32.h - CRC-32 as zlib's crc32() computes it (reflected polynomial
// 0xEDB88320, initial and final value all ones), so the page's canvas
// checksums compare directly with the capture tool's. The web build has no
// zlib of its own.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t crc32Of(const uint8_t* bytes, size_t length);
