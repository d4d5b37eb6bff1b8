// The dispatcher with arbitrary opcodes, indexes, values and floats (NaN and infinities
// included), interleaved with parameter changes and audio. Pointers are never wild: each call
// gets null or a zeroed buffer of a random size, at least as large as its opcode promises the
// plug-in (texts, records), with the structures the interface defines where the plug-in
// follows pointers inside them (events, speaker arrangements). effClose makes a new instance.

#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzPlugin.h"
#include "vst/AEffectX.h"

#include <algorithm>
#include <cstring>

namespace
{
// The least a host passes for `opcode` when it passes a buffer at all.
size_t MinimumBuffer(VstInt32 opcode)
{
    switch (opcode)
    {
    case effGetChunk:
    case effEditGetRect:
        return sizeof(void*);
    case effProcessEvents:
    case effSetSpeakerArrangement:
    case effGetSpeakerArrangement:
        return 0; // built below
    case effClose:
    case effEditOpen:
        return 0;
    default:
        // Texts and records: far beyond every limit of the interface.
        return opcode >= 0 && opcode <= effGetNumMidiOutputChannels ? 4096 : 0;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    // One instance for the whole run, as long as no input closes it (making one costs far more
    // than a run); a host's calls pile up on one instance just the same.
    static CHostCallback host;
    static std::unique_ptr<CVstPlugin> p = MakeFuzzPlugin(host);
    host.clearRequests();
    for (int step = 0; step < 64 && !input.empty(); ++step)
    {
        const uint8_t kind = input.byte();
        if (kind < 16)
        {
            p->setParameter(static_cast<VstInt32>(input.byte() % 12) - 1, input.hostileFloat());
            continue;
        }
        if (kind < 32)
        {
            static const int frames[] = {0, 1, 7, 64, 333, 4096};
            ProcessAndCheck(*p, frames[input.byte() % 6]);
            continue;
        }
        if (kind < 40)
        {
            QueryAll(*p);
            continue;
        }
        // A dispatcher call; small opcodes most of the time, any 32-bit value sometimes.
        const uint8_t op = input.byte();
        VstInt32 opcode = op < 240 ? op % 80 : input.take<VstInt32>();
        if (opcode == effEditOpen) opcode = effEditIdle; // no window to hand over here
        const VstInt32 index =
            input.byte() < 200 ? static_cast<int8_t>(input.byte()) : input.take<VstInt32>();
        VstIntPtr value = input.byte() < 200 ? static_cast<int16_t>(input.take<int16_t>())
                                             : input.take<VstIntPtr>();
        const float opt = input.hostileFloat();
        const uint8_t bufferPick = input.byte();
        std::vector<uint8_t> buffer;
        void* ptr = nullptr;

        // Structures the plug-in follows pointers in.
        VstEvents events{};
        std::vector<VstMidiEvent> midi(2);
        // Speaker arrangements: records of a few hundred bytes, zeroed (no channels).
        alignas(8) uint8_t arrangements[2][1024]{};
        void* arrangementPointers[2] = {arrangements[0], arrangements[1]};
        if (opcode == effProcessEvents)
        {
            events.numEvents = input.byte() % 3;
            for (int i = 0; i < 2; ++i)
            {
                std::string raw = input.bytes(sizeof(VstMidiEvent));
                std::memcpy(&midi[i], raw.data(), raw.size());
                midi[i].byteSize = std::clamp<VstInt32>(midi[i].byteSize, 0, sizeof(VstMidiEvent));
                events.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            }
            ptr = bufferPick < 16 ? nullptr : &events;
        }
        else if (opcode == effSetSpeakerArrangement)
        {
            value = reinterpret_cast<VstIntPtr>(&arrangements[0]);
            ptr = arrangements[1];
        }
        else if (opcode == effGetSpeakerArrangement)
        {
            value = reinterpret_cast<VstIntPtr>(&arrangementPointers[0]);
            ptr = &arrangementPointers[1];
        }
        else if (bufferPick >= 32)
        {
            const size_t wanted = input.byte();
            buffer.assign(std::max(wanted, MinimumBuffer(opcode)) + 1, 0);
            std::string fill = input.bytes(buffer.size() - 1);
            std::memcpy(buffer.data(), fill.data(), fill.size());
            buffer.back() = 0; // texts handed to the plug-in end
            ptr = buffer.data();
            if (opcode == effSetChunk)
                value = static_cast<VstIntPtr>(
                    std::min<size_t>(buffer.size(), static_cast<size_t>(value) & 0xFFFF));
        }
        else if (opcode == effSetChunk || opcode == effGetChunk || opcode == effEditGetRect)
        {
            ptr = nullptr;
        }

        if (opcode == effClose)
        {
            p->close();
            p = MakeFuzzPlugin(host);
            continue;
        }
        (void)p->dispatch(opcode, index, value, ptr, opt);
    }
    ProcessAndCheck(*p, 64);
    QueryAll(*p);
    return 0;
}
