#pragma once
// Program files (.fxp), the preset format VST 2 hosts exchange. Every field is big-endian:
//
//   "CcnK"  byte size of everything after this field  "FPCh" or "FxCk"
//   format version (1)  plug-in unique id  plug-in version  number of parameters/programs
//   28-byte zero-padded program name
//   "FPCh": chunk size in bytes, then the plug-in's opaque state chunk
//   "FxCk": one big-endian 32-bit float per parameter (normalised 0..1)
//
// Plug-ins that keep their state as a chunk (effFlagsProgramChunks) are saved as "FPCh"; the
// others as "FxCk". Parsing validates every field and the exact file length before it hands
// anything back, so a caller that applies only a successfully parsed program never half-applies
// a bad file. The parser takes any bytes (it is a fuzzing target) and never reads out of bounds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FxpProgram
{
    bool isChunk = true;        // "FPCh" (chunk) or "FxCk" (parameter list)
    int32_t uniqueId = 0;       // the plug-in's unique id (AEffect::uniqueID)
    int32_t pluginVersion = 0;  // AEffect::version of the plug-in that wrote the file
    std::string name;           // program name, at most 27 characters are stored
    std::vector<uint8_t> chunk; // isChunk: the state chunk
    std::vector<float> params;  // !isChunk: normalised parameter values
};

// Largest file we accept; plug-in chunks are small and this bounds what a bad size can allocate.
constexpr size_t kFxpMaxFileSize = 64u << 20;

// Parses a whole file held in memory. On failure `error` says what is wrong, in words a user can
// act on, and `out` is left unchanged. [any thread]
bool parseFxp(const uint8_t* data, size_t size, FxpProgram& out, std::string& error);

// Builds the bytes of a program file. [any thread]
std::vector<uint8_t> buildFxp(const FxpProgram& program);

// Reads and parses a file; errors name the file. [any thread]
bool readFxpFile(const std::string& path, FxpProgram& out, std::string& error);

// Writes a file through a temporary name and renames it into place only when complete, so a
// failure never leaves a truncated preset behind. [any thread]
bool writeFxpFile(const std::string& path, const FxpProgram& program, std::string& error);

// Four characters packed with the first in the top byte, as unique ids are shown ("QUAR").
std::string fourCCText(int32_t id);
