#include "host/cli/FxpPreset.h"

#include "host/cli/FileOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{

constexpr size_t kNameBytes = 28;
// Fixed part: magic, byte size, kind, version, id, plug-in version, count, name.
constexpr size_t kHeaderBytes = 4 * 7 + kNameBytes;

uint32_t readBE32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void appendBE32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

bool fail(std::string& error, const std::string& what)
{
    error = what;
    return false;
}

} // namespace

std::string fourCCText(int32_t id)
{
    const uint32_t v = uint32_t(id);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const char c = char((v >> shift) & 0xff);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

bool parseFxp(const uint8_t* data, size_t size, FxpProgram& out, std::string& error)
{
    if (data == nullptr || size < 8 || std::memcmp(data, "CcnK", 4) != 0)
        return fail(error, "not a VST program file (no \"CcnK\" header)");
    if (size > kFxpMaxFileSize) return fail(error, "file too large for a VST program file");
    if (size < kHeaderBytes + 4)
        return fail(error, "truncated VST program file (" + std::to_string(size) + " bytes)");
    const uint32_t byteSize = readBE32(data + 4);
    if (uint64_t(byteSize) + 8 != size)
        return fail(error, "the size field says " + std::to_string(uint64_t(byteSize) + 8) +
                               " bytes but the file has " + std::to_string(size) +
                               (uint64_t(byteSize) + 8 > size ? " (truncated file)" : ""));
    FxpProgram p;
    if (std::memcmp(data + 8, "FPCh", 4) == 0)
        p.isChunk = true;
    else if (std::memcmp(data + 8, "FxCk", 4) == 0)
        p.isChunk = false;
    else
        return fail(error, "not a single-program file (kind \"" +
                               fourCCText(int32_t(readBE32(data + 8))) +
                               "\", expected \"FPCh\" or \"FxCk\")");
    const uint32_t formatVersion = readBE32(data + 12);
    if (formatVersion != 1)
        return fail(error, "unsupported program file format version " +
                               std::to_string(formatVersion) + " (expected 1)");
    p.uniqueId = int32_t(readBE32(data + 16));
    p.pluginVersion = int32_t(readBE32(data + 20));
    const uint32_t count = readBE32(data + 24);
    const char* name = reinterpret_cast<const char*>(data + 28);
    p.name.assign(name, strnlen(name, kNameBytes));

    const uint8_t* body = data + kHeaderBytes;
    const size_t bodySize = size - kHeaderBytes;
    if (p.isChunk)
    {
        if (count != 1)
            return fail(error, "a chunk program file must hold 1 program, this one says " +
                                   std::to_string(count));
        const uint32_t chunkSize = readBE32(body);
        if (uint64_t(chunkSize) + 4 != bodySize)
            return fail(error, "the chunk size field says " + std::to_string(chunkSize) +
                                   " bytes but " + std::to_string(bodySize - 4) + " follow" +
                                   (uint64_t(chunkSize) + 4 > bodySize ? " (truncated file)" : ""));
        p.chunk.assign(body + 4, body + 4 + chunkSize);
    }
    else
    {
        if (uint64_t(count) * 4 != bodySize)
            return fail(error, "the file says " + std::to_string(count) + " parameters but holds " +
                                   std::to_string(bodySize) + " bytes of values");
        p.params.resize(count);
        for (uint32_t i = 0; i < count; ++i)
        {
            const uint32_t bits = readBE32(body + 4 * size_t(i));
            float v;
            std::memcpy(&v, &bits, 4);
            if (!(v >= 0.0f && v <= 1.0f))
                return fail(error,
                            "parameter " + std::to_string(i) + " holds a value outside 0..1");
            p.params[i] = v;
        }
    }
    out = std::move(p);
    return true;
}

std::vector<uint8_t> buildFxp(const FxpProgram& program)
{
    std::vector<uint8_t> out;
    const size_t bodySize = program.isChunk ? 4 + program.chunk.size() : 4 * program.params.size();
    out.reserve(kHeaderBytes + bodySize);
    out.insert(out.end(), {'C', 'c', 'n', 'K'});
    appendBE32(out, uint32_t(kHeaderBytes + bodySize - 8));
    if (program.isChunk)
        out.insert(out.end(), {'F', 'P', 'C', 'h'});
    else
        out.insert(out.end(), {'F', 'x', 'C', 'k'});
    appendBE32(out, 1);
    appendBE32(out, uint32_t(program.uniqueId));
    appendBE32(out, uint32_t(program.pluginVersion));
    appendBE32(out, program.isChunk ? 1u : uint32_t(program.params.size()));
    char name[kNameBytes] = {};
    std::memcpy(name, program.name.data(), std::min(program.name.size(), kNameBytes - 1));
    out.insert(out.end(), name, name + kNameBytes);
    if (program.isChunk)
    {
        appendBE32(out, uint32_t(program.chunk.size()));
        out.insert(out.end(), program.chunk.begin(), program.chunk.end());
    }
    else
    {
        for (float v : program.params)
        {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            appendBE32(out, bits);
        }
    }
    return out;
}

bool readFxpFile(const std::string& path, FxpProgram& out, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return fail(error, path + ": cannot open preset: " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    {
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() > kFxpMaxFileSize)
        {
            tooLarge = true;
            break;
        }
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return fail(error, path + ": cannot read preset");
    if (tooLarge) return fail(error, path + ": file too large for a VST program file");
    std::string why;
    if (!parseFxp(bytes.data(), bytes.size(), out, why)) return fail(error, path + ": " + why);
    return true;
}

bool writeFxpFile(const std::string& path, const FxpProgram& program, std::string& error)
{
    const std::vector<uint8_t> bytes = buildFxp(program);
    return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}
