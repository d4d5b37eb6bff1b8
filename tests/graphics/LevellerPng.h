#pragma once
// A minimal PNG writer for test artifacts: 8-bit RGB, one IDAT of stored (uncompressed) deflate
// blocks. Any PNG reader opens it; it needs no compression library on either platform.

#include <cstdint>
#include <string>
#include <vector>

// Writes `rgb` (width x height pixels, 3 bytes each, top row first) to `path`. False when the
// file cannot be written or the sizes do not match.
bool WriteLevellerPng(const std::string& path, int width, int height,
                      const std::vector<uint8_t>& rgb);
