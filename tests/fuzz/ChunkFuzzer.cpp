// effSetChunk with arbitrary bytes and sizes, then audio, every parameter entry, the display
// texts and effGetChunk. First input byte: bit 0 the preset flag, bit 1 puts the chunk marker in
// front so that the values are read, bits 2-3 choose the block size; the rest is the chunk.

#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzPlugin.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t flags = input.byte();
    std::string rest = input.bytes(size);
    std::vector<uint8_t> chunk;
    if (flags & 2)
    {
        const float marker = -1000.0f;
        chunk.resize(4);
        std::memcpy(chunk.data(), &marker, 4);
    }
    chunk.insert(chunk.end(), rest.begin(), rest.end());

    // One instance for the whole run (making one costs far more than a run): each input's chunk
    // replaces what the previous one left, as a host loading preset after preset does.
    static CHostCallback host;
    static std::unique_ptr<CVstPlugin> p = []
    {
        auto made = MakeFuzzPlugin(host);
        made->open();
        made->setSampleRate(44100.0f);
        made->resume();
        return made;
    }();
    static const int blocks[] = {1, 7, 64, 512};
    const int frames = blocks[(flags >> 2) & 3];
    p->setBlockSize(frames);
    const bool preset = flags & 1;
    FuzzCheck(p->setChunk(chunk, preset) == static_cast<VstIntPtr>(chunk.size()),
              "effSetChunk answers the size given");
    ProcessAndCheck(*p, frames);
    QueryAll(*p);
    const std::vector<uint8_t> saved = p->getChunk(preset);
    // What it hands out it takes back unchanged.
    p->setChunk(saved, preset);
    FuzzCheck(p->getChunk(preset) == saved, "own chunk round trip");
    return 0;
}
