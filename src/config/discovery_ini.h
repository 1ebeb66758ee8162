// The "kmconfig.ini" calls of the discoveries, kept in one place. Every call gets the
// file's full path in the Windows directory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace DiscoveryIni {

// Reads a text (default empty) into out, cut at size - 1 bytes.
void ReadText(const char* section, const char* key, char* out, size_t size);
void WriteText(const char* section, const char* key, const char* value);
void WriteInt(const char* section, const char* key, int32_t value);
void DeleteSection(const char* section);

}  // namespace DiscoveryIni
